#pragma once
// --temporary-address for the command-line modes: the addresses are added before
// discovery starts and removed when the command ends (TemporaryAddressKeeper).

#include <cstdio>
#include <vector>

#include "net/temporary_address_keeper.h"
#include "shell/finder_options.h"

// Adds every requested address in order and reports each one taken on err. Exit code:
// 0 when all were added; 2 when the helper refused one (unknown or down adapter, address
// in use ...); 1 when the change could not be made (authorisation declined or not
// possible, helper missing, kernel error). On failure the ones added stay in keeper, to
// be removed with it.
int AddTemporaryAddresses(const std::vector<FinderOptions::TemporaryAddress>& requests,
                          ravix::TemporaryAddressKeeper& keeper, std::FILE* err);
