#include "app/create_windows.h"

int main(int argc, char *argv[]) { return vantrell::runGame(argc, argv); }
