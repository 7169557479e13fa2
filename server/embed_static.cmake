# cmake -DOUT=<cpp> -DCSS=<css> -DSVG=<svg> -P embed_static.cmake
file(READ ${CSS} css)
file(READ ${SVG} svg)
file(WRITE ${OUT} "// Made from server/static by embed_static.cmake.
#include \"server/pages.h\"

namespace vantrell::highscores {
const std::string_view kStylesheet = R\"vantrell(${css})vantrell\";
const std::string_view kEmblem = R\"vantrell(${svg})vantrell\";
} // namespace vantrell::highscores
")
