// Writes the help window's built-in text to a file, for the installed
// documentation: the text has one source, the program's own.
#include "app/HelpText.h"

#include <fstream>
#include <iostream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: write_help_text FILE\n";
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    for (const std::string &line : BuiltInHelpLines())
        out << line << '\n';
    out.close();
    if (!out) {
        std::cerr << "write_help_text: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
