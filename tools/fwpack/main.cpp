#include "FwpackCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    return lumetta::fwpack::runFwpack({argv + 1, argv + argc}, std::cout, std::cerr);
}
