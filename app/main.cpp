#include "core/window/KestromCoreMain.h"

int main(int argc, char** argv) {
    return KestromCoreMain(argc, argv);
}
