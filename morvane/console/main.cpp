#include "ModelJob.h"

int main(int argc, char** argv) { return morvaneMain(argc, argv); }
