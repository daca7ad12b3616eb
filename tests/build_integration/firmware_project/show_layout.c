#include "flash_layout.h"

#include <stdio.h>

int main(void) {
    printf("%u files, logo at %u\n", (unsigned)ZD_FILE_COUNT, (unsigned)ZD_LOGO_BIN_ADDR);
    return 0;
}
