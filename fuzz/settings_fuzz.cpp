// The settings reader on an ini.dat holding the input.
#include "fuzzenv.h"
#include "init.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    startFuzzing();
    writeInput("ini.dat", data, size);
    main_bg_name[0] = '\0'; // the reader appends to it
    read_ini_file();
    require(std::strlen(windowed) < sizeof windowed, "windowed fits its buffer");
    require(std::strlen(book) < sizeof book, "book fits its buffer");
    require(std::strncmp(book, "books/", 6) == 0, "the book is under books/");
    require(std::strlen(main_bg_name) < sizeof main_bg_name, "main_bg fits its buffer");
    require(main_bg_name[0] == '\0' || std::strncmp(main_bg_name, "pico/", 5) == 0,
            "the title picture is under pico/");
    return 0;
}
