// skinpack: compresses a skin description (INI text) into a ".skn" file.
//   skinpack SOURCE.ini TARGET.skn
#include "framework/engine/Skin.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: skinpack SOURCE.ini TARGET.skn\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "skinpack: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::ofstream out(argv[2], std::ios::binary);
    out << maskaddr::DeflateSkin(text.str());
    return out ? 0 : 1;
}
