/* Started by the scripts to learn whether this machine executes this build's code: it
   prints the width of its pointers, which only a program that really ran can do. */
#include <stdio.h>

int main(void)
{
  printf("%u\n", (unsigned)(sizeof(void *) * 8));
  return 0;
}
