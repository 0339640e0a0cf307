# Writes OUTPUT, a C++ source defining SYMBOL as a list of the INPUTS files
# (';'-separated paths), each as its file name and its bytes with a closing
# NUL, in the order given, the list ending in a null entry.
# Run as: cmake -DOUTPUT=... -DSYMBOL=... -DINPUTS=... -P embed_texts.cmake
set(body "")
set(entries "")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ "${input}" hex HEX)
  string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
  get_filename_component(name "${input}" NAME)
  string(APPEND body "const char text${index}[] = {${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", text${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}"
  "/* Generated from the files it names; edit those, not this. */\n"
  "#include \"embedded.h\"\n\nnamespace ka {\n\nnamespace {\n${body}} // namespace\n\n"
  "extern const EmbeddedText ${SYMBOL}[] = {\n${entries}    {nullptr, nullptr},\n};\n\n"
  "} // namespace ka\n")
