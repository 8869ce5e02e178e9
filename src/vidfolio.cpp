#include "ui/programentry.h"

int main(int argc, char **argv)
{
    return vidfolio::ui::runProgram(argc, argv);
}
