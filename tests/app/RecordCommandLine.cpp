// Stands in for the tools the settings name: writes the command line it was started with, as the
// system hands it over, into a file named after itself with ".txt" added, and ends. The file takes
// that name only once it is whole.
#include <windows.h>

int main()
{
    char path[MAX_PATH + 4] = "", temporary[MAX_PATH + 4] = "";
    const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcatA(lstrcpyA(temporary, path), ".tmp");
    lstrcatA(path, ".txt");
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line, lstrlenA(line), &written, NULL);
    return CloseHandle(file) && ok && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
