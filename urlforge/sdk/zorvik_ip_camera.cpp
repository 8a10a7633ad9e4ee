#include "urlforge/sdk/zorvik_ip_camera.h"

#include <QStringList>

#include "platform/wipe_text.h"
#include "urlforge/sdk/camera_link.h"
#include "urlforge/sdk/command_parameter.h"
#include "urlforge/sdk/enumeration_parameter.h"
#include "urlforge/sdk/integer_parameter.h"
#include "urlforge/sdk/ip_cam_error.h"
#include "urlforge/sdk/ip_cam_error_text.h"
#include "urlforge/sdk/sdk_text.h"
#include "urlforge/sdk/string_parameter.h"

namespace ZorvikIPCam {

namespace {

// A comma-separated name list of the camera; empty items are skipped.
QStringList SplitNames(const std::string& text) {
  return ravix::FromCameraText(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

std::unique_ptr<CParameter> MakeParameter(const std::string& type, ravix::CameraLink& link, const QString& group,
                                          const QString& name) {
  const QString t = ravix::FromCameraText(type).trimmed().toLower();
  if (t == QLatin1String("integer")) return std::make_unique<CIntegerParameter>(link, group, name);
  if (t == QLatin1String("string")) return std::make_unique<CStringParameter>(link, group, name);
  if (t == QLatin1String("command")) return std::make_unique<CCommandParameter>(link, group, name);
  if (t == QLatin1String("enumeration")) return std::make_unique<CEnumerationParameter>(link, group, name);
  return std::make_unique<CParameter>(link, group, name);
}

// Printable ASCII without blanks: anything else would break the request line.
bool IsRequestPath(const std::string& path) {
  static const std::string kPrefix = "/cgi-bin/";
  if (path.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  for (const char c : path) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

}  // namespace

CZorvikIPCamera::CZorvikIPCamera() : link_(std::make_unique<ravix::CameraLink>()) {}

CZorvikIPCamera::~CZorvikIPCamera() = default;

int CZorvikIPCamera::Connect(const QString& address, const QString& user, const QString& password, int port,
                             int timeoutMs) {
  connected_ = false;
  groups_.clear();
  int result = link_->Open(ravix::ToCameraText(address), port, timeoutMs);
  if (result == eIPCamOk && !user.isEmpty()) {
    std::string userText = ravix::ToCameraText(user);
    std::string passwordText = ravix::ToCameraText(password);
    result = link_->Login(userText, passwordText);
    WipeText(userText);
    WipeText(passwordText);
  }
  if (result == eIPCamOk) result = LoadCatalogue();
  if (result != eIPCamOk) {
    groups_.clear();
    link_->Close();  // keeps the failure text
    return result;
  }
  connected_ = true;
  return eIPCamOk;
}

int CZorvikIPCamera::LoadCatalogue() {
  std::string groupList;
  int result = link_->RunOne({"GetGroups", {}}, groupList);
  if (result != eIPCamOk) return result;
  const QStringList groupNames = SplitNames(groupList);
  std::vector<ravix::ParamAction> actions;
  for (const QString& group : groupNames) actions.push_back({ravix::ToCameraText(group) + ".GetParameters", {}});
  std::vector<ravix::ParamAnswer> lists;
  result = link_->Run(actions, lists);
  if (result != eIPCamOk) return result;
  // One GetType per parameter, all groups in one go.
  std::vector<std::pair<int, QString>> parameters;  // group index, parameter name
  actions.clear();
  for (int g = 0; g < groupNames.size(); ++g) {
    if (!lists[g].ok) {
      return link_->Fail(eCameraException,
                         groupNames[g] + QStringLiteral(".GetParameters: ") + ravix::FromCameraText(lists[g].text));
    }
    for (const QString& name : SplitNames(lists[g].text)) {
      parameters.emplace_back(g, name);
      actions.push_back({ravix::ToCameraText(groupNames[g] + QLatin1Char('.') + name) + ".GetType", {}});
    }
  }
  std::vector<ravix::ParamAnswer> types;
  result = link_->Run(actions, types);
  if (result != eIPCamOk) return result;
  for (const QString& name : groupNames) groups_.push_back(std::make_unique<CParameterGroup>(name));
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const auto& [g, name] = parameters[i];
    const std::string type = types[i].ok ? types[i].text : std::string();
    groups_[g]->AddParameter(MakeParameter(type, *link_, groupNames[g], name));
  }
  return eIPCamOk;
}

QString CZorvikIPCamera::GetLastIPCamError() const { return link_->LastError(); }

QString CZorvikIPCamera::GetAddress() const { return ravix::FromCameraText(link_->Address()); }

int CZorvikIPCamera::GetPort() const { return link_->Port(); }

std::vector<CParameterGroup*> CZorvikIPCamera::GetGroups() const {
  std::vector<CParameterGroup*> groups;
  for (const auto& group : groups_) groups.push_back(group.get());
  return groups;
}

int CZorvikIPCamera::GetParameterGroup(const QString& name, CParameterGroup*& group) {
  group = nullptr;
  link_->ClearLastError();
  if (!connected_) return Fail(eNotConnected);
  for (const auto& g : groups_) {
    if (g->GetName() == name) {
      group = g.get();
      return eIPCamOk;
    }
  }
  return Fail(eGroupNotFound, name);
}

int CZorvikIPCamera::GetParameter(const QString& groupName, const QString& name, CParameter*& parameter, bool update,
                                  int index) {
  parameter = nullptr;
  CParameterGroup* group = nullptr;
  const int result = GetParameterGroup(groupName, group);
  if (result != eIPCamOk) return result;
  if (index >= 0) {
    const std::vector<CParameter*> all = group->GetParameters();
    if (static_cast<std::size_t>(index) < all.size()) parameter = all[static_cast<std::size_t>(index)];
  } else {
    parameter = group->FindParameter(name);
  }
  if (parameter == nullptr) {
    return Fail(eParameterNotFound, groupName + QLatin1Char('.') + (index >= 0 ? QString::number(index) : name));
  }
  return update ? parameter->Update() : eIPCamOk;
}

int CZorvikIPCamera::ExecuteHTTP(const QString& path, QString& response) {
  response.clear();
  link_->ClearLastError();
  if (!connected_) return Fail(eNotConnected);
  const std::string pathText = ravix::ToCameraText(path);
  if (!IsRequestPath(pathText)) return Fail(eInvalidPath, path);
  std::string body;
  const int result = link_->Get(pathText, body);
  if (result != eIPCamOk) return result;
  response = ravix::FromCameraText(body);
  return eIPCamOk;
}

QString CZorvikIPCamera::TypeToString(int type) {
  switch (type) {
    case eInteger: return QStringLiteral("Integer");
    case eString: return QStringLiteral("String");
    case eCommand: return QStringLiteral("Command");
    case eEnumeration: return QStringLiteral("Enumeration");
    default: return QStringLiteral("Unknown");
  }
}

QString CZorvikIPCamera::ErrorCodeToString(int code) { return ravix::IPCamErrorText(code); }

eFunction CZorvikIPCamera::StringToFunction(const QString& method) {
  static const struct {
    const char* name;
    eFunction function;
  } kFunctions[] = {
      {"GetValue", eGetValue},         {"GetIntValue", eGetIntValue},       {"SetValue", eSetValue},
      {"SetIntValue", eSetIntValue},   {"GetMin", eGetMin},                 {"GetMax", eGetMax},
      {"GetInc", eGetInc},             {"GetMaxLength", eGetMaxLength},     {"GetStringValue", eGetStringValue},
      {"SetStringValue", eSetStringValue}, {"GetEntries", eGetEntries},     {"IsEnabled", eIsEnabled},
      {"IsReadonly", eIsReadonly},     {"Execute", eExecute},               {"IsDone", eIsDone},
      {"Stop", eStop},
  };
  for (const auto& entry : kFunctions) {
    if (method == QLatin1String(entry.name)) return entry.function;
  }
  return eFunctionUnknown;
}

int CZorvikIPCamera::Fail(int code, const QString& detail) { return link_->Fail(code, detail); }

}  // namespace ZorvikIPCam
