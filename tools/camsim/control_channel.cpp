#include "tools/camsim/control_channel.h"

#include <nlohmann/json.hpp>

namespace camsim {

namespace {

// Splits off the first blank-separated word; rest is what follows, blanks trimmed.
std::string Word(const std::string& text, std::string& rest) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) {
    rest.clear();
    return {};
  }
  const std::size_t end = text.find_first_of(" \t", start);
  const std::size_t next = end == std::string::npos ? std::string::npos : text.find_first_not_of(" \t", end);
  rest = next == std::string::npos ? std::string() : text.substr(next);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Ok(const std::string& payload = {}) { return payload.empty() ? "ok" : "ok " + payload; }
std::string Error(const std::string& message) { return "error " + message; }

constexpr const char* kHelp =
    "add <camera JSON> | remove <device> | txt <device> <JSON> | fault <device> <JSON> | "
    "set <device> <Group.Name> <value> | get <device> <Group.Name> | staged <device> <Group.Name> | "
    "list | clear-log | quit | help";

}  // namespace

std::string ControlChannel::Execute(const std::string& line) {
  // Texts from the command (JSON keys, parameter values) may hold line breaks; the
  // answer must stay one line or the reader takes the rest for the next answer.
  std::string answer = Run(line);
  for (char& c : answer) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return answer;
}

std::string ControlChannel::Run(const std::string& line) {
  std::string args;
  const std::string verb = Word(line, args);
  std::string error;
  if (verb.empty()) return Error("empty command");
  if (verb == "add") return Add(args);
  if (verb == "remove") return simulator_.Remove(args, error) ? Ok() : Error(error);
  if (verb == "txt") return Txt(args);
  if (verb == "fault") return Fault(args);
  if (verb == "set") return Set(args);
  if (verb == "get") return Get(args, false);
  if (verb == "staged") return Get(args, true);
  if (verb == "list") return Ok(simulator_.List().dump());
  if (verb == "clear-log") {
    simulator_.ClearLog();
    return Ok();
  }
  if (verb == "quit") {
    quit_ = true;
    return Ok();
  }
  if (verb == "help") return Ok(kHelp);
  return Error("unknown command \"" + verb + "\"; " + kHelp);
}

std::string ControlChannel::Add(const std::string& args) {
  const nlohmann::json node = nlohmann::json::parse(args, nullptr, false);
  if (node.is_discarded()) return Error("add: not valid JSON");
  std::string error;
  auto config = ParseCameraConfig(node, true, error);
  if (!config) return Error(error);
  std::string id;
  return simulator_.Add(*config, id, error) ? Ok(id) : Error(error);
}

std::string ControlChannel::Txt(const std::string& args) {
  std::string json;
  const std::string id = Word(args, json);
  const nlohmann::json node = nlohmann::json::parse(json, nullptr, false);
  if (node.is_discarded()) return Error("txt: not valid JSON");
  std::string error;
  const auto txt = ParseTxtRecord(node, error);
  if (!txt) return Error(error);
  return simulator_.SetTxt(id, *txt, error) ? Ok() : Error(error);
}

std::string ControlChannel::Fault(const std::string& args) {
  std::string json;
  const std::string id = Word(args, json);
  const nlohmann::json node = nlohmann::json::parse(json, nullptr, false);
  if (node.is_discarded()) return Error("fault: not valid JSON");
  std::string error;
  const auto faults = ParseFaultSettings(node, error);
  if (!faults) return Error(error);
  return simulator_.SetFaults(id, *faults, error) ? Ok() : Error(error);
}

std::string ControlChannel::Set(const std::string& args) {
  std::string rest, value;
  const std::string id = Word(args, rest);
  const std::string name = Word(rest, value);
  SimulatedCamera* camera = simulator_.FindCamera(id);
  if (camera == nullptr) return Error("no camera \"" + id + "\"");
  std::string error;
  return camera->SetParameter(name, value, error) ? Ok() : Error(error);
}

std::string ControlChannel::Get(const std::string& args, bool staged) {
  std::string rest, ignored;
  const std::string id = Word(args, rest);
  const std::string name = Word(rest, ignored);
  SimulatedCamera* camera = simulator_.FindCamera(id);
  if (camera == nullptr) return Error("no camera \"" + id + "\"");
  const auto value = staged ? camera->GetStagedParameter(name) : camera->GetParameter(name);
  if (!value) return Error(staged ? "nothing staged for " + name : "unknown parameter " + name);
  return Ok(*value);
}

}  // namespace camsim
