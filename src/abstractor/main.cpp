// subpyxis: the subcircuit matcher.  Not built yet.
#include <cstdio>

int main(int argc, char** argv)
{
  (void)argc;
  fprintf(stderr, "usage: %s subcircuit circuit [options]\n"
                  "subpyxis: the matcher is not built yet\n", argv[0]);
  return 1;
}
