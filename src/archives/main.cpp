#include "archives/ArchiveChild.h"

// Started by polcozo and athozo only; see ArchiveChild.h.
int main(int argc, char** argv)
{
    return archives::childMain(argc, argv);
}
