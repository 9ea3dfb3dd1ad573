/* Stands in for an emulator: writes its working folder and every argument
 * it was given, each ended by a NUL byte, to "argv.out" in its working
 * folder, so a test can compare them byte for byte. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        return 2;
    FILE* out = fopen("argv.out", "wb");
    if (!out)
        return 3;
    fwrite(cwd, 1, strlen(cwd) + 1, out);
    for (int i = 0; i < argc; ++i)
        fwrite(argv[i], 1, strlen(argv[i]) + 1, out);
    return fclose(out) == 0 ? 0 : 4;
}
