#include <editline/readline.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "services/shell.h"

extern char** environ;

namespace fendrix {

namespace {

constexpr char kNoSuchPath[] = "路径不存在，请重新输入。\n";
constexpr char kNotAFolder[] = "这不是文件夹，请重新输入。\n";
constexpr char kPrompt[] = "> ";

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

void Say(const std::string& text) {
  if (write(STDOUT_FILENO, text.data(), text.size()) < 0) return;
}

// Runs a graphical chooser and returns the first line it prints; a cancel
// (non-zero exit) gives an empty Text.
Text RunChooser(const std::vector<std::string>& arguments) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string answer;
  char chunk[512];
  for (ssize_t got; spawned == 0 && (got = read(out[0], chunk, sizeof chunk)) > 0;) {
    answer.append(chunk, static_cast<std::size_t>(got));
  }
  close(out[0]);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) != child) return {};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return answer.substr(0, answer.find('\n'));
}

Text GraphicalChooser(const Text& title, bool includeFiles) {
  if (OnPath("zenity")) {
    std::vector<std::string> arguments = {"zenity", "--file-selection", "--title=" + title};
    if (!includeFiles) arguments.push_back("--directory");
    return RunChooser(arguments);
  }
  const char* home = std::getenv("HOME");
  const std::string start = home != nullptr ? home : "/";
  return RunChooser({"kdialog", "--title", title,
                     includeFiles ? "--getopenfilename" : "--getexistingdirectory", start});
}

std::string Absolute(std::string path) {
  if (path[0] == '~' && (path.size() == 1 || path[1] == '/')) {
    const char* home = std::getenv("HOME");
    path = std::string(home != nullptr ? home : "") + path.substr(1);
  }
  if (path.empty() || path[0] != '/') {
    char* here = getcwd(nullptr, 0);
    if (here != nullptr) {
      path = std::string(here) + (std::string(here) == "/" ? "" : "/") + path;
      std::free(here);
    }
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

Text TerminalChooser(const Text& title, bool includeFiles) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return {};
  Say("\n" + title + "\n");
  // Completing a folder name must not append a space that becomes part of the path.
  rl_completion_append_character = '\0';
  for (;;) {
    char* line = readline(kPrompt);
    if (line == nullptr) return {};
    const std::string entered = line;
    std::free(line);
    if (entered.empty()) return {};
    const std::string path = Absolute(entered);
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
      Say(kNoSuchPath);
    } else if (!includeFiles && !S_ISDIR(status.st_mode)) {
      Say(kNotAFolder);
    } else {
      return path;
    }
  }
}

}  // namespace

Text PickPath(const Text& title, std::optional<bool> includeFiles) {
  const bool files = includeFiles.value_or(false);
  if ((Set("DISPLAY") || Set("WAYLAND_DISPLAY")) && (OnPath("zenity") || OnPath("kdialog"))) {
    return GraphicalChooser(title, files);
  }
  return TerminalChooser(title, files);
}

void OpenURL(const Text& address) {
  // Detached through a second fork, so no zombie is left and nothing it
  // prints reaches the person's terminal.
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", address.c_str(), static_cast<char*>(nullptr));
    }
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

}  // namespace fendrix
