/* A stand-in for esptool.exe or mkspiffs.exe that records how it was run.
 *
 * Named NAME.exe, it writes beside itself NAME.args (its arguments, one a line, in UTF-8),
 * NAME.cwd (its working directory) and NAME.last (the size of the file that its last argument
 * names, or "missing"), prints one line to its output and one to its error output, and exits
 * with the number in NAME.exit beside it (0 without one). Named mkspiffs.exe, it also writes
 * its last argument as a small file, the way a builder writes its image. It never reads its
 * input, so a script that left it waiting for a console would show as a time-out. */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

static wchar_t folder[MAX_PATH];
static wchar_t name[MAX_PATH];

static FILE *openBeside(const wchar_t *suffix, const wchar_t *mode)
{
    wchar_t path[MAX_PATH * 2];
    swprintf(path, sizeof path / sizeof *path, L"%ls%ls%ls", folder, name, suffix);
    return _wfopen(path, mode);
}

static void writeUtf8(FILE *file, const wchar_t *text)
{
    char utf8[4 * MAX_PATH * 2];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) > 0)
        fprintf(file, "%s\n", utf8);
}

int main(void)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    wchar_t *slash = wcsrchr(self, L'\\');
    wchar_t *dot = wcsrchr(self, L'.');
    if (!slash || !dot || dot < slash)
        return 126;
    *dot = L'\0';
    wcscpy(name, slash + 1);
    slash[1] = L'\0';
    wcscpy(folder, self);

    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    FILE *args = openBeside(L".args", L"wb");
    for (int i = 1; args && i < argc; ++i)
        writeUtf8(args, argv[i]);
    if (args)
        fclose(args);

    wchar_t cwd[MAX_PATH];
    FILE *where = openBeside(L".cwd", L"wb");
    if (where && GetCurrentDirectoryW(MAX_PATH, cwd))
        writeUtf8(where, cwd);
    if (where)
        fclose(where);

    const wchar_t *last = argc > 1 ? argv[argc - 1] : L"";
    FILE *lastFile = openBeside(L".last", L"wb");
    FILE *named = _wfopen(last, L"rb");
    if (lastFile && named) {
        fseek(named, 0, SEEK_END);
        fprintf(lastFile, "%ld\n", ftell(named));
    } else if (lastFile) {
        fprintf(lastFile, "missing\n");
    }
    if (named)
        fclose(named);
    if (lastFile)
        fclose(lastFile);

    if (wcscmp(name, L"mkspiffs") == 0) {
        FILE *image = _wfopen(last, L"wb");
        if (image) {
            fputs("IMAGE FROM MKSPIFFS", image);
            fclose(image);
        }
    }

    printf("output of %ls\n", name);
    fprintf(stderr, "errors of %ls\n", name);

    int status = 0;
    FILE *exitFile = openBeside(L".exit", L"rb");
    if (exitFile) {
        if (fscanf(exitFile, "%d", &status) != 1)
            status = 0;
        fclose(exitFile);
    }
    return status;
}
