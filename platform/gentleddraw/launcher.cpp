// "Quenthor without flashing.exe": starts quenthor.exe from its own folder in gentle mode, for a
// Windows user who double-clicks rather than sets variables. No console window; it waits for
// the show and ends with its exit status.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

namespace {

const char kTitle[] = "Quenthor without flashing";

int Refuse(const char* text) {
  MessageBoxA(nullptr, text, kTitle, MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The folder this program is in; the show and its files are beside it.
  char folder[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return Refuse("Quenthor can't be started: this program's folder has too long a name.");
  char* slash = std::strrchr(folder, '\\');
  if (!slash) return Refuse("Quenthor can't be started: this program's folder can't be found.");
  *slash = '\0';
  char program[MAX_PATH + 16];
  if (std::strlen(folder) + sizeof "\\quenthor.exe" > sizeof program)
    return Refuse("Quenthor can't be started: this program's folder has too long a name.");
  std::strcpy(program, folder);
  std::strcat(program, "\\quenthor.exe");
  char commandLine[MAX_PATH + 32] = "\"";
  std::strcat(commandLine, program);
  std::strcat(commandLine, "\"");

  // Our ddraw.dll reads this in the show's process: gentle viewing, whatever Windows is set to.
  SetEnvironmentVariableA("QUENTHOR_DISPLAY_GENTLE", "1");
  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(program, commandLine, nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                      &process))
    return Refuse(
        "Quenthor can't be started: quenthor.exe isn't in this folder, or Windows refused to run "
        "it. Unpack the whole zip into one folder and try again.");
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
