#include "platform/name_thread.h"

#include <pthread.h>

#include <cstring>

void NameThread(const char* name) {
  if (name == nullptr) return;
  char shortName[16];
  std::strncpy(shortName, name, sizeof shortName - 1);
  shortName[sizeof shortName - 1] = '\0';
  pthread_setname_np(pthread_self(), shortName);
}
