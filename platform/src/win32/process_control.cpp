#include "platform/process_control.h"

#include <windows.h>

#include "platform/text.h"

namespace platform {
namespace {

volatile LONG stop_flag = 0;
// Besides console events, a process that installed the stop handler can be
// asked to stop through a named event, which needs no shared console.
HANDLE stop_event = nullptr;

std::wstring stop_event_name(DWORD process_id) {
  return L"Local\\lumivex-stop-request-" + std::to_wstring(process_id);
}

BOOL WINAPI on_console_event(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      InterlockedExchange(&stop_flag, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

std::wstring wide(const std::string& utf8) {
  std::u16string u16 = utf8_to_utf16(utf8);
  return std::wstring(u16.begin(), u16.end());
}

// One argument of a command line, quoted the way the C runtime splits it again.
void append_argument(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      line.append(backslashes * 2 + 1, L'\\');
    else
      line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

int64_t current_process_id() { return static_cast<int64_t>(GetCurrentProcessId()); }

bool process_alive(int64_t process_id) {
  if (process_id <= 0 || process_id > 0xffffffffLL) return false;
  HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process_id));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return alive;
}

void install_stop_handler() {
  SetConsoleCtrlHandler(on_console_event, TRUE);
  if (!stop_event) {
    stop_event = CreateEventW(nullptr, TRUE, FALSE, stop_event_name(GetCurrentProcessId()).c_str());
  }
}

bool stop_requested() {
  if (stop_event && WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0) {
    InterlockedExchange(&stop_flag, 1);
  }
  return InterlockedCompareExchange(&stop_flag, 0, 0) != 0;
}

bool request_process_stop(int64_t process_id) {
  if (process_id <= 0 || process_id > 0xffffffffLL) return false;
  const DWORD id = static_cast<DWORD>(process_id);
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, stop_event_name(id).c_str());
  if (event) {
    bool set = SetEvent(event) != 0;
    CloseHandle(event);
    if (set) return true;
  }
  return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id) != 0;
}

std::string temp_folder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return ".";
  std::u16string folder(buffer, buffer + length);
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return utf16_to_utf8(folder);
}

std::optional<ChildProcess> ChildProcess::start(const std::string& program,
                                                const std::vector<std::string>& arguments) {
  std::wstring line;
  append_argument(line, wide(program));
  for (const auto& a : arguments) append_argument(line, wide(a));
  std::wstring application = wide(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // A process group of its own, so a Ctrl-Break can be sent to it alone.
  if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  ChildProcess child;
  child.id_ = info.dwProcessId;
  child.handle_ = reinterpret_cast<std::intptr_t>(info.hProcess);
  return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : id_(other.id_), handle_(other.handle_), exit_code_(other.exit_code_) {
  other.id_ = -1;
  other.handle_ = 0;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    kill();
    if (handle_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    id_ = other.id_;
    handle_ = other.handle_;
    exit_code_ = other.exit_code_;
    other.id_ = -1;
    other.handle_ = 0;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  kill();
  if (handle_) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool ChildProcess::request_stop() {
  if (!handle_ || exit_code_) return false;
  return request_process_stop(id_);
}

void ChildProcess::kill() {
  if (!handle_ || exit_code_) return;
  TerminateProcess(reinterpret_cast<HANDLE>(handle_), 137);
  wait(10000);
}

std::optional<int> ChildProcess::wait(unsigned timeout_ms) {
  if (exit_code_ || !handle_) return exit_code_;
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  exit_code_ = static_cast<int>(code);
  return exit_code_;
}

}  // namespace platform
