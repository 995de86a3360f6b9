#include "tool/icon_ini.h"

namespace fendrix {

namespace {

constexpr char kPlaceholder[] = "###########";
constexpr char kIconFileKey[] = "IconFile=";
constexpr char kIconSuffix[] = ".ico";

bool IsBareFileName(const Text& name) {
  if (name.empty() || name == "." || name == "..") return false;
#ifdef _WIN32
  constexpr char kNotInBareName[] = "\\/:";
#else
  constexpr char kNotInBareName[] = "\\/";
#endif
  return name.find_first_of(kNotInBareName) == Text::npos;
}

}  // namespace

const char kIconIniTemplate[] =
    "[.ShellClassInfo]\r\n"
    "InfoTip=\r\n"
    "IconFile=###########\r\n"
    "IconIndex=-101\r\n"
    "ConfirmFileOp=0\r\n"
    "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
    "IconArea_Image=\r\n"
    "IconArea_Text=0\r\n"
    "IconArea_TextBackground=16777215\r\n"
    "Attributes=1\r\n"
    "[ExtShellFolderViews]\r\n"
    "{BE098140-A513-11D0-A3A4-00C04FD706EC}={BE098140-A513-11D0-A3A4-00C04FD706EC}";

Text InFolder(const Text& folder, const Text& name) { return folder + kPathSeparator + name; }

Text IconIniPath(const Text& folder) { return InFolder(folder, kIconIniName); }

Text BuildIconIni(const Text& iconFileName) {
  return SubstituteText(kIconIniTemplate, kPlaceholder, iconFileName, {}, {}, true);
}

Text PriorIconName(const Text& content) {
  const int p = FindText(content, kIconFileKey);
  const int q = FindText(content, kIconSuffix);
  if (p == -1) return {};
  return MidText(content, p + 9, q - p - 4 - 1);
}

Text PriorIconPath(const Text& folder, const Text& name) {
  return IsBareFileName(name) ? InFolder(folder, name) : Text{};
}

}  // namespace fendrix
