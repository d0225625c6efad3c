/* Stands in for a browser or the updater: writes how it was started into a file beside itself,
   named after it with ".args" added. Each argument after the program's own name is one line of
   UTF-8. The file appears whole, by a rename, so that a reader never sees half of it. */
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <wchar.h>

int main(void)
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(NULL, self, MAX_PATH);
    if (length == 0 || length + 10 >= MAX_PATH)
        return 2;
    wchar_t finished[MAX_PATH];
    wchar_t partial[MAX_PATH];
    swprintf(finished, MAX_PATH, L"%ls.args", self);
    swprintf(partial, MAX_PATH, L"%ls.part", self);

    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    FILE *out = _wfopen(partial, L"wb");
    if (!arguments || !out)
        return 3;
    for (int i = 1; i < count; ++i) {
        char line[4096];
        const int size = WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, line, sizeof line, NULL, NULL);
        if (size == 0)
            return 4;
        fprintf(out, "%s\n", line);
    }
    LocalFree(arguments);
    if (fclose(out) != 0)
        return 5;
    return MoveFileExW(partial, finished, MOVEFILE_REPLACE_EXISTING) ? 0 : 6;
}
