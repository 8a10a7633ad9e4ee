#pragma once
// One action of a parameter-interface request and the camera's answer to it.

#include <optional>
#include <string>

namespace ravix {

struct ParamAction {
  std::string name;                     // "Group.Parameter.Method", "Group.GetParameters" or "GetGroups"
  std::optional<std::string> argument;  // sent as Parameter_<i>_0
};

struct ParamAnswer {
  bool ok = false;   // a Return line; false for an Exception line
  std::string text;  // the returned value or the camera's exception text
};

}  // namespace ravix
