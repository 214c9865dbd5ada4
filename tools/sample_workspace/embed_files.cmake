# cmake -DOUTPUT=<file.inc> -DINPUTS="<name>=<file>;..." -P embed_files.cmake
# Writes each input file as `const unsigned char <name>[] = {...};` for #include.
set(text "// Generated at build time from the pictures drawn by ImageMagick; do not edit.\n")
foreach(pair IN LISTS INPUTS)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 file)
    file(READ "${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
                         "\\1\n" bytes "${bytes}")
    string(APPEND text "const unsigned char ${name}[] = {\n${bytes}};\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
