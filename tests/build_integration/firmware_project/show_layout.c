#include "flash_layout.h"
#include "sounds_layout.h"

#include <stdio.h>

int main(void) {
    printf("%u files, logo at %u; %u sound of %u bytes\n", (unsigned)ZD_FILE_COUNT,
           (unsigned)ZD_LOGO_BIN_ADDR, (unsigned)SND_FILE_COUNT, (unsigned)snd_files[0].size);
    return 0;
}
