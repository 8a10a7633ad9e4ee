#include "tests/support/memory_map_parts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>

namespace {

struct Mapping {
  uint64_t start = 0;
  uint64_t end = 0;
  std::string perms;
  std::string name;
  double rssKiB = 0;
  double dirtyKiB = 0;  // Private_Dirty + Shared_Dirty
};

std::vector<Mapping> ParseMappings(const std::string& smaps) {
  std::vector<Mapping> mappings;
  std::istringstream in(smaps);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Rss:", 0) == 0) {
      if (!mappings.empty()) mappings.back().rssKiB = std::atof(line.c_str() + 4);
      continue;
    }
    if (line.rfind("Private_Dirty:", 0) == 0 || line.rfind("Shared_Dirty:", 0) == 0) {
      if (!mappings.empty()) mappings.back().dirtyKiB += std::atof(line.c_str() + line.find(':') + 1);
      continue;
    }
    // A mapping's first line: "start-end perms offset dev inode [name]".
    const std::size_t dash = line.find('-');
    if (dash == std::string::npos || line.find(' ') < dash || line.find(':') < dash) continue;
    std::istringstream fields(line);
    std::string range, offset, device, inode;
    Mapping mapping;
    if (!(fields >> range >> mapping.perms >> offset >> device >> inode)) continue;
    std::getline(fields >> std::ws, mapping.name);
    mapping.start = std::strtoull(range.c_str(), nullptr, 16);
    mapping.end = std::strtoull(range.c_str() + dash + 1, nullptr, 16);
    mappings.push_back(std::move(mapping));
  }
  return mappings;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

MemoryMapParts MemoryMapParts::FromSmaps(const std::string& smaps, std::size_t biggest) {
  constexpr uint64_t kArenaAlignment = 64ull << 20;  // glibc's HEAP_MAX_SIZE on 64-bit
  MemoryMapParts parts;
  std::map<std::string, double> files;
  const std::vector<Mapping> mappings = ParseMappings(smaps);
  for (std::size_t i = 0; i < mappings.size(); ++i) {
    const Mapping& m = mappings[i];
    const bool afterGuard = i > 0 && mappings[i - 1].end == m.start && mappings[i - 1].perms.rfind("---", 0) == 0;
    if (!m.name.empty() && m.name[0] == '/') {
      parts.filesKiB += m.rssKiB;
      parts.fileCleanKiB += m.rssKiB - m.dirtyKiB;
      files[BaseName(m.name)] += m.rssKiB;
    } else if (m.name == "[heap]") {
      parts.heapKiB += m.rssKiB;
    } else if (m.name == "[stack]") {
      parts.stacksKiB += m.rssKiB;
      ++parts.stacks;
    } else if (!m.name.empty()) {
      parts.otherKiB += m.rssKiB;  // [vdso], [vvar] and the like
    } else if (m.perms.rfind("rw", 0) == 0 && m.start % kArenaAlignment == 0) {
      parts.arenasKiB += m.rssKiB;
      ++parts.arenas;
    } else if (m.perms.rfind("rw", 0) == 0 && afterGuard) {
      parts.stacksKiB += m.rssKiB;
      ++parts.stacks;
    } else {
      parts.otherKiB += m.rssKiB;
    }
  }
  parts.biggestFiles.assign(files.begin(), files.end());
  std::sort(parts.biggestFiles.begin(), parts.biggestFiles.end(),
            [](const auto& a, const auto& b) { return a.second > b.second; });
  if (parts.biggestFiles.size() > biggest) parts.biggestFiles.resize(biggest);
  return parts;
}

void MemoryMapParts::Print(std::FILE* out, const char* indent) const {
  const auto mb = [](double kib) { return kib / 1024.0; };
  std::fprintf(out,
               "%sparts: mapped files (libraries) %.1f MB, main heap %.1f MB, %d malloc arenas %.1f MB, "
               "%d thread stacks %.1f MB, other anonymous %.1f MB\n",
               indent, mb(filesKiB), mb(heapKiB), arenas, mb(arenasKiB), stacks, mb(stacksKiB), mb(otherKiB));
  std::fprintf(out,
               "%sof the mapped files %.1f MB are clean pages read from the files (shared with other programs, "
               "dropped by the kernel when memory is short); the program's own memory (anonymous and written "
               "pages): %.1f MB\n",
               indent, mb(fileCleanKiB), mb(OwnKiB()));
  std::fprintf(out, "%sbiggest files:", indent);
  for (const auto& [name, kib] : biggestFiles) std::fprintf(out, " %s %.1f MB;", name.c_str(), mb(kib));
  std::fprintf(out, "\n");
}
