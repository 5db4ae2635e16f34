# cmake -DIN=<file> -DOUT=<file> [-DVERSION=<x.y.z>] -P text_to_crlf.cmake
# Windows line ends for the package's text files (cmd.exe needs them in batch files), and the
# version where the text asks for it.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
if(DEFINED VERSION)
  string(REPLACE "@PROJECT_VERSION_SHORT@" "${VERSION}" text "${text}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
