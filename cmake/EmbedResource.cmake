# Writes a C++ file that registers the bytes of IN as resource NAME of type TYPE.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.tmp"
"#include \"platform/Resources.h\"\n"
"namespace {\n"
"const unsigned char k${IDENT}[] = {\n${bytes}0};\n"
"const plat::ResourceRegistrar r${IDENT}(\"${TYPE}\", \"${NAME}\", k${IDENT}, ${size});\n"
"}  // namespace\n")
file(RENAME "${OUT}.tmp" "${OUT}")
