#include "core/launch/KestromCoreMain.h"

int main(int argc, char** argv) {
    return KestromCoreMain(argc, argv);
}
