// Prints the decimal separator the user's locale gives; ctest runs it under chosen locales.
#include <cstdio>

#include "ui/SystemSettings.h"

int main() {
    std::printf("separator=%c\n", LocaleDecimalSeparator());
    return 0;
}
