// The game started with the German language, so that the end-to-end tests read both
// languages from one build. Everything else is the game's own start.
#include "app/create_windows.h"

int main(int argc, char *argv[]) { return vantrell::runGame(argc, argv, QStringLiteral("de")); }
