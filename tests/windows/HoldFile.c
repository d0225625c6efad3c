/* Holds a file open the way an editor or an upload program does: others may read it, but not
   write, delete or replace it. Says "held" once it has the file, and lets it go when its input
   ends. */
#include <windows.h>

#include <stdio.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    printf("held\n");
    fflush(stdout);
    while (getchar() != EOF) {
    }
    CloseHandle(file);
    return 0;
}
