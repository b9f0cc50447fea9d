// Stands in for the tools the settings name: writes the command line it was started with, as the
// system hands it over, to its own path with ".txt" added; the file takes that name once whole.
#include <windows.h>

#include <string>

int main()
{
    char self[MAX_PATH] = "";
    const std::string path(self, GetModuleFileNameA(NULL, self, MAX_PATH)), temporary = path + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written = 0;
    const BOOL ok = WriteFile(file, GetCommandLineA(), lstrlenA(GetCommandLineA()), &written, NULL);
    const BOOL closed = CloseHandle(file);
    return ok && closed && MoveFileExA(temporary.c_str(), (path + ".txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
