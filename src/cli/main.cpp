#include "cli/Cli.hpp"

int main(int argc, char** argv)
{
    return cli::runCli(argc, argv);
}
