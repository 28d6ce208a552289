#include "core/advisor/counsel_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"

extern char** environ;

namespace quarry {

namespace {

// The parent's environment with QUARRY_HOME set to this process's working folder, so that
// counsel finds the files wherever the working folder came from.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    if (std::strncmp(*entry, "QUARRY_HOME=", 12) != 0) env.emplace_back(*entry);
  }
  env.push_back("QUARRY_HOME=" + WorkingFolder().string());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Reads what is waiting in the pipe without blocking.
void Drain(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    if (into.size() < 4096) into.append(buffer, static_cast<size_t>(n));
  }
}

std::string WithMessage(std::string what, const std::string& stderrText) {
  std::string text(stderrText);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (!text.empty()) what += ": " + text;
  return what;
}

}  // namespace

std::filesystem::path DefaultCounselPath() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "counsel";
  return self.parent_path() / "counsel";
}

Status RunCounsel(const std::filesystem::path& program, std::chrono::milliseconds timeout) {
  if (access(program.c_str(), X_OK) != 0) {
    return NotFound("the pruning adviser counsel is missing: " + program.string());
  }
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return IoError("cannot start counsel: no pipe");
  fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  std::vector<std::string> args = {program.string(), program.string()};
  std::vector<std::string> env = ChildEnvironment();
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return IoError("cannot start counsel (" + program.string() + "): " + std::strerror(spawned));
  }

  std::string stderrText;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      close(pipeFds[0]);
      return IoError("lost track of counsel: " + std::string(std::strerror(errno)));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      close(pipeFds[0]);
      return IoError(Format("counsel gave no answer within %g seconds and was stopped",
                            static_cast<double>(timeout.count()) / 1000.0));
    }
    pollfd wait = {pipeFds[0], POLLIN, 0};
    poll(&wait, 1, 20);
    Drain(pipeFds[0], stderrText);
  }
  Drain(pipeFds[0], stderrText);
  close(pipeFds[0]);
  if (WIFSIGNALED(status)) {
    return IoError(
        WithMessage("counsel was ended by signal " + std::to_string(WTERMSIG(status)), stderrText));
  }
  if (WEXITSTATUS(status) != 0) {
    return IoError(WithMessage(
        "counsel failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")", stderrText));
  }
  return Status::Ok();
}

}  // namespace quarry
