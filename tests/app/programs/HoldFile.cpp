// Holds a file open the way another program (a viewer, an editor) does, until its standard
// input closes:  holdfile PATH SHARE   where SHARE is "r" (read sharing) or "rw" (read and write
// sharing, but no delete sharing). Writes "held" to standard output once the file is open.
#include <windows.h>

#include <string.h>

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    DWORD share = strcmp(argv[2], "rw") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD done = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "held", 4, &done, NULL);
    char byte;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &done, NULL) && done) {}
    CloseHandle(file);
    return 0;
}
