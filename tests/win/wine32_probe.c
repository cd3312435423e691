/* Started by scripts/with-wine32.sh to prove that 32-bit Windows programs really run: it
   prints a known line and exits with a known code, which only a 32-bit build gives. */
#include <stdio.h>

int main(void)
{
    printf("32-bit Windows program: pointers of %u bytes\n", (unsigned)sizeof(void*));
    return sizeof(void*) == 4 ? 32 : 1;
}
