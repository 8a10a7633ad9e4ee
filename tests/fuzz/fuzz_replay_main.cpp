// Runs a fuzz target without libFuzzer: every file given (or every file of a given folder)
// as it is, then a fixed series of mutations of each (byte flips, insertions of bytes the
// parsers care about, cuts, repeats), so that a compiler without libFuzzer still checks
// the targets over many inputs, reproducibly. RAVIX_FUZZ_MUTATIONS sets the mutations per
// input (default 2000). A crash or a sanitizer report ends the run with the failing input
// written to fuzz-crash-<target> in the working folder.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxInput = 64 * 1024;

// Bytes and words that change what the camera texts mean.
const std::vector<std::string>& Tokens() {
  static const std::vector<std::string> tokens = {
      "\n", "\r\n", std::string(1, '\0'), "=", "&", "%", "?", "#", "+", " ", "\\", ".", ":", "@", "/", "'", "\"",
      "\xff", "\x80", "Return_0=", "Exception_0=", "session_id: '", "http://", "<meta http-equiv=\"refresh\" ",
      "content=\"", "url=/", "99", "4294967296", "-1", "0", "{", "}", "[", "]", ",", "\"\":", "null", "true"};
  return tokens;
}

std::string Mutate(const std::string& seed, std::mt19937& rng) {
  std::string out = seed;
  const int steps = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < steps; ++i) {
    const size_t at = out.empty() ? 0 : rng() % (out.size() + 1);
    switch (rng() % 6) {
      case 0:  // flip a byte
        if (!out.empty()) out[at % out.size()] = static_cast<char>(out[at % out.size()] ^ (1u << (rng() % 8)));
        break;
      case 1:  // any byte
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), static_cast<char>(rng() % 256));
        break;
      case 2: {  // a token
        const std::string& token = Tokens()[rng() % Tokens().size()];
        out.insert(at, token);
        break;
      }
      case 3:  // cut a range
        if (!out.empty()) out.erase(at % out.size(), 1 + rng() % 16);
        break;
      case 4:  // cut the end
        out.resize(at);
        break;
      default: {  // repeat a chunk
        if (out.empty()) break;
        const size_t from = rng() % out.size();
        const std::string chunk = out.substr(from, 1 + rng() % 64);
        const size_t times = 1 + rng() % 64;
        std::string repeated;
        for (size_t t = 0; t < times; ++t) repeated += chunk;
        out.insert(at, repeated);
        break;
      }
    }
    if (out.size() > kMaxInput) out.resize(kMaxInput);
  }
  return out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> Inputs(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      for (const auto& entry : fs::directory_iterator(path, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(path, error)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "fuzz replay: no such input: %s\n", argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string g_current;  // the input being run, for the crash file
std::string g_crashFile;

// Only async-signal-safe calls: this also runs from the signal handlers.
void SaveCurrent() {
  if (g_crashFile.empty()) return;
  const int fd = open(g_crashFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = write(fd, g_current.data(), g_current.size());
  close(fd);
}

void OnFatalSignal(int signal) {
  static const char kMessage[] = "fuzz replay: fault; the input is in fuzz-crash-<target>\n";
  [[maybe_unused]] const ssize_t written = write(2, kMessage, sizeof kMessage - 1);
  SaveCurrent();
  _exit(128 + signal);
}

void Run(const std::string& input) {
  g_current = input;
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

// Sanitizers call this before they end the process on a report.
extern "C" void __sanitizer_report_error_summary(const char* summary) {
  std::fprintf(stderr, "%s\n", summary);
  SaveCurrent();
}

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  g_crashFile = "fuzz-crash-" + fs::path(argv[0]).filename().string();
  std::signal(SIGABRT, OnFatalSignal);
  std::signal(SIGSEGV, OnFatalSignal);

  const std::vector<fs::path> files = Inputs(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "usage: %s <input file or folder>...\n", argv[0]);
    return 2;
  }
  const char* env = std::getenv("RAVIX_FUZZ_MUTATIONS");
  const unsigned long mutations = env != nullptr ? std::strtoul(env, nullptr, 10) : 2000;
  unsigned long runs = 0;
  for (const fs::path& file : files) {
    const std::string seed = ReadFile(file);
    Run(seed);
    ++runs;
    std::mt19937 rng(static_cast<uint32_t>(std::hash<std::string>{}(file.filename().string())));
    for (unsigned long i = 0; i < mutations; ++i, ++runs) Run(Mutate(seed, rng));
  }
  Run(std::string());
  std::printf("%s: %zu seed inputs, %lu runs, no fault\n", argv[0], files.size(), runs + 1);
  return 0;
}
