/* Starts a command line exactly as the program's launcher does on Windows, and waits for it.
 *
 * Usage: run_as_launcher.exe FILE
 * FILE holds the whole command line in UTF-8. It goes to CreateProcessW as it is, with no
 * application name, no window, and the null device for input and output, as QProcess does for
 * the launcher. The exit status is the started process's, or 125 when it could not be started. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static wchar_t *readCommandLine(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (!file)
        return NULL;
    char utf8[8192];
    const size_t length = fread(utf8, 1, sizeof utf8 - 1, file);
    fclose(file);
    utf8[length] = '\0';
    const int wideLength = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, NULL, 0);
    if (wideLength <= 0)
        return NULL;
    wchar_t *wide = malloc(sizeof(wchar_t) * wideLength);
    if (wide)
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, wideLength);
    return wide;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: run_as_launcher.exe FILE\n");
        return 125;
    }
    wchar_t *commandLine = readCommandLine(argv[1]);
    if (!commandLine) {
        fprintf(stderr, "run_as_launcher: cannot read %s as UTF-8\n", argv[1]);
        return 125;
    }

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE output = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, TRUE,
                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, NULL, NULL, &startup,
                        &process)) {
        fprintf(stderr, "run_as_launcher: CreateProcessW failed with error %lu\n", GetLastError());
        return 125;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 125;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    free(commandLine);
    return (int)status;
}
