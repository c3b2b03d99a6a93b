/* A stand-in for esptool.exe or mkspiffs.exe that records how it was run.
 *
 * Named NAME.exe, it writes beside itself NAME.cwd (its working directory), appends its
 * arguments as one line to NAME.calls, and prints one line to its output and one to its error
 * output. When NAME.fail-at names one of its arguments (a command such as read_flash), it then
 * prints the text of NAME.failure and exits with the number in NAME.failure.status.
 *
 * Named esptool.exe, it answers as esptool does:
 *   read_mac                      prints "MAC: " and the MAC in esptool.mac (5c:cf:7f:51:4d:01
 *                                 without one), the label padded as esptool 5 pads it when
 *                                 esptool.mac-padded exists, and no MAC line at all when
 *                                 esptool.no-mac exists;
 *   read_flash OFFSET SIZE FILE   writes SIZE bytes (decimal, or hexadecimal after 0x) into
 *                                 FILE: those of esptool.flash, or 0xFF without it. With
 *                                 esptool.read_flash.fail it fails instead, and with
 *                                 esptool.read_flash.short it writes a byte too few. With
 *                                 esptool.compile-during-read it first runs mkspiffs.bat,
 *                                 as a compile clicked meanwhile would.
 * Every other command writes NAME.args (its arguments, one a line, in UTF-8), NAME.last (the
 * size of the file that its last argument names, or "missing") and NAME.written (a copy of that
 * file, as the clock would get it), and exits with the number in
 * NAME.exit beside it (0 without one). Named mkspiffs.exe, it also writes its last argument as
 * a small file, the way a builder writes its image. It never reads its input, so a script that
 * left it waiting for a console would show as a time-out. When order.log exists beside it, such
 * a command adds "built" (mkspiffs.exe) or "uploaded" (esptool.exe) to it, so that a test sees
 * in which order several tools ran.
 *
 * Named hold.exe, it is another program that has a file open: "hold.exe FILE" opens FILE as
 * Windows programs commonly do, sharing it for reading only, so that it can be neither replaced
 * nor deleted; writes FILE.held once it has it; and keeps it until FILE.release exists (at most
 * a minute).
 *
 * Named sleep.exe, it waits as long as its one argument says, in seconds (fractions too): the
 * POSIX `sleep` that cmd.exe lacks, for the stand-in scripts of the tests. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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

static int existsBeside(const wchar_t *suffix)
{
    FILE *file = openBeside(suffix, L"rb");
    if (file)
        fclose(file);
    return file != NULL;
}

/* The text of a file beside this program, without its line end; empty without the file. */
static void readBeside(const wchar_t *suffix, char *text, size_t size)
{
    text[0] = '\0';
    FILE *file = openBeside(suffix, L"rb");
    if (!file)
        return;
    const size_t length = fread(text, 1, size - 1, file);
    fclose(file);
    text[length] = '\0';
    text[strcspn(text, "\r\n")] = '\0';
}

static void writeUtf8(FILE *file, const wchar_t *text, const char *end)
{
    char utf8[4 * MAX_PATH * 2];
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) > 0)
        fprintf(file, "%s%s", utf8, end);
}

static int argumentIndex(int argc, wchar_t **argv, const wchar_t *word)
{
    for (int i = 1; i < argc; ++i)
        if (wcscmp(argv[i], word) == 0)
            return i;
    return 0;
}

/* With NAME.fail-at naming one of the arguments: prints NAME.failure and returns its status. */
static int failsOnRequest(int argc, wchar_t **argv, int *status)
{
    char command[256];
    readBeside(L".fail-at", command, sizeof command);
    if (!command[0])
        return 0;
    wchar_t wide[256];
    if (MultiByteToWideChar(CP_UTF8, 0, command, -1, wide, 256) <= 0
        || !argumentIndex(argc, argv, wide))
        return 0;
    FILE *failure = openBeside(L".failure", L"rb");
    if (failure) {
        char buffer[4096];
        size_t length;
        while ((length = fread(buffer, 1, sizeof buffer, failure)) > 0)
            fwrite(buffer, 1, length, stdout);
        fclose(failure);
    }
    char number[32];
    readBeside(L".failure.status", number, sizeof number);
    *status = atoi(number);
    return 1;
}

static int readMac(void)
{
    if (existsBeside(L".no-mac"))
        return 0;
    char mac[256];
    FILE *given = openBeside(L".mac", L"rb");
    if (given) {
        fclose(given);
        readBeside(L".mac", mac, sizeof mac);
    } else {
        strcpy(mac, "5c:cf:7f:51:4d:01");
    }
    printf(existsBeside(L".mac-padded") ? "MAC:                %s\n" : "MAC: %s\n", mac);
    return 0;
}

static int readFlash(int argc, wchar_t **argv, int at)
{
    if (at + 3 >= argc) {
        printf("read_flash needs OFFSET SIZE FILE\n");
        return 2;
    }
    if (existsBeside(L".read_flash.fail")) {
        printf("A fatal error occurred: read failed\n");
        return 2;
    }
    if (existsBeside(L".compile-during-read"))
        _wsystem(L"mkspiffs.bat");
    long size = wcstol(argv[at + 2], NULL, 0);
    if (existsBeside(L".read_flash.short"))
        size -= 1;
    FILE *out = _wfopen(argv[at + 3], L"wb");
    if (!out) {
        printf("cannot write the flash's bytes\n");
        return 2;
    }
    FILE *flash = openBeside(L".flash", L"rb");
    for (long i = 0; i < size; ++i) {
        int byte = 0xFF;
        if (flash && (byte = fgetc(flash)) == EOF)
            break;
        fputc(byte, out);
    }
    if (flash)
        fclose(flash);
    fclose(out);
    return 0;
}

static int hold(int argc, wchar_t **argv)
{
    if (argc != 2)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    wchar_t path[MAX_PATH * 2];
    swprintf(path, sizeof path / sizeof *path, L"%ls.held", argv[1]);
    FILE *held = _wfopen(path, L"wb");
    if (held)
        fclose(held);
    swprintf(path, sizeof path / sizeof *path, L"%ls.release", argv[1]);
    for (int waited = 0; waited < 60000 && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES;
         waited += 50)
        Sleep(50);
    CloseHandle(file);
    return 0;
}

/* Adds a line to order.log beside this program, only where a test made that log. */
static void noteOrder(const char *what)
{
    wchar_t path[MAX_PATH * 2];
    swprintf(path, sizeof path / sizeof *path, L"%lsorder.log", folder);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return;
    FILE *log = _wfopen(path, L"ab");
    if (log) {
        fprintf(log, "%s\n", what);
        fclose(log);
    }
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
    if (wcscmp(name, L"hold") == 0)
        return hold(argc, argv);
    if (wcscmp(name, L"sleep") == 0) {
        if (argc != 2)
            return 2;
        Sleep((DWORD)(wcstod(argv[1], NULL) * 1000));
        return 0;
    }

    wchar_t cwd[MAX_PATH];
    FILE *where = openBeside(L".cwd", L"wb");
    if (where && GetCurrentDirectoryW(MAX_PATH, cwd))
        writeUtf8(where, cwd, "\n");
    if (where)
        fclose(where);

    FILE *calls = openBeside(L".calls", L"ab");
    for (int i = 1; calls && i < argc; ++i)
        writeUtf8(calls, argv[i], i + 1 < argc ? " " : "");
    if (calls) {
        fputs("\n", calls);
        fclose(calls);
    }

    printf("output of %ls\n", name);
    fprintf(stderr, "errors of %ls\n", name);

    int status = 0;
    if (failsOnRequest(argc, argv, &status))
        return status;
    if (wcscmp(name, L"esptool") == 0) {
        if (argumentIndex(argc, argv, L"read_mac"))
            return readMac();
        const int at = argumentIndex(argc, argv, L"read_flash");
        if (at)
            return readFlash(argc, argv, at);
    }

    FILE *args = openBeside(L".args", L"wb");
    for (int i = 1; args && i < argc; ++i)
        writeUtf8(args, argv[i], "\n");
    if (args)
        fclose(args);

    const wchar_t *last = argc > 1 ? argv[argc - 1] : L"";
    FILE *lastFile = openBeside(L".last", L"wb");
    FILE *named = _wfopen(last, L"rb");
    if (lastFile && named) {
        fseek(named, 0, SEEK_END);
        fprintf(lastFile, "%ld\n", ftell(named));
    } else if (lastFile) {
        fprintf(lastFile, "missing\n");
    }
    FILE *written = named && wcscmp(name, L"esptool") == 0 ? openBeside(L".written", L"wb") : NULL;
    if (written) {
        fseek(named, 0, SEEK_SET);
        char buffer[4096];
        size_t length;
        while ((length = fread(buffer, 1, sizeof buffer, named)) > 0)
            fwrite(buffer, 1, length, written);
        fclose(written);
    }
    if (named)
        fclose(named);
    if (lastFile)
        fclose(lastFile);

    noteOrder(wcscmp(name, L"mkspiffs") == 0 ? "built" : "uploaded");
    if (wcscmp(name, L"mkspiffs") == 0) {
        FILE *image = _wfopen(last, L"wb");
        if (image) {
            fputs("IMAGE FROM MKSPIFFS", image);
            fclose(image);
        }
    }

    FILE *exitFile = openBeside(L".exit", L"rb");
    if (exitFile) {
        if (fscanf(exitFile, "%d", &status) != 1)
            status = 0;
        fclose(exitFile);
    }
    return status;
}
