#include "tool/texts.h"

#include "fendrix_config.h"

namespace fendrix::texts {

const char kGreetingWelcome[] = "\r\n        欢迎使用Fendrix1.0    QQ：" FENDRIX_CONTACT "\r\n";
const char kGreetingPurpose[] =
    "\r\n         通过desktop实现文件夹图标 移动 剪切 复制 文件夹图标一旧显示！  \r\n";
const char kGreetingEnter[] = "\r\n              按 回车继续 取消直接关闭本程序！  \r\n";
const char kGreetingRule[] =
    "--------------------------------------------------------------------------\r\n";
const char kGreetingFeature[] =
    "\r\n         本Fendrix最大的特色就是 设置后的文件夹图标不取消不会丢失！  \r\n";
const char kMenu[] =
    "\r\n           1、设置文件夹图标\r\n\r\n           2、删除文件夹内的图标设置\r\n\r\n"
    "           3、打开TarvessaQQ空间查看最新动态！\r\n";
const char kPrompt[] = "\r\n           请输入：";
const char kNoSuchChoice[] = "没有此选项！\r\n";
const char kSetHeading[] = "\r\n          选择需要设置的文件夹     \r\n";
const char kSetFolderTitle[] = "请选择需要 设置的文件夹  ++++++";
const char kNoFolder[] = "没有选择文件夹！\r\n";
const char kFolderNameIs[] = "\r\n          需要设置的文件夹名称为： ";
const char kPickIconPause[] = "\r\n    请选择 文件夹图标  仅支持ICO格式图标          回车继续";
const char kIconTitle[] = "请选择 将要设置的文件夹 图标 ！！！！！！";
const char kNoIcon[] = "没有选择图标\r\n";
const char kNotAnIcon[] = "\r\n当前不支持本图片当图标！\r\n";
const char kIconIs[] = "\r\n           图标为： ";
const char kReadyPause[] = "\r\n\r\n         已完成准备工作 按回车开始执行文件夹图标设置";
const char kSetDone[] = "修改图标成功！ 按回车键退出  没显示出来按F5刷新下桌面！\r\n";
const char kTryAgain[] = "图标文件被其他文件占用或者打开请重试！！\r\n";
const char kRemoveFolderTitle[] = "请选择 设置的文件夹  ++++++";
const char kRemoveDone[] = "删除文件夹图标设置成功 按F5刷新桌面！\r\n";

}  // namespace fendrix::texts
