#include "host/Cli.hpp"

int main(int argc, char** argv)
{
    return host::runCli(argc, argv);
}
