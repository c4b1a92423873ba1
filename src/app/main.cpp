#include "app/Startup.h"

int main(int argc, char** argv)
{
    return tirvelo::runTirvelo(argc, argv);
}
