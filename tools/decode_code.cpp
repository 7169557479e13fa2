// vantrell-decode-code CODE: prints the values a highscore code carries, or why it is not
// valid. Exit code 0 for a valid code, 1 for an invalid one, 2 for a usage error.
#include "core/highscore_code.h"

#include <iostream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: vantrell-decode-code CODE\n"
                     "  CODE  the 23-digit highscore code\n";
        return 2;
    }
    const vantrell::DecodedHighscoreCode d = vantrell::decodeHighscoreCode(argv[1]);
    if (!d.valid()) {
        std::cout << "invalid code: " << d.reason << '\n';
        return 1;
    }
    std::cout << "points: " << d.punkte << '\n'
              << "game type: " << d.spielart << '\n'
              << "given cells: " << d.aufgedeckt << '\n'
              << "element set: " << d.elemente << '\n';
    return 0;
}
