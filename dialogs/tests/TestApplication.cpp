#include "TestApplication.h"

namespace dialogtest {
TestApplication* TestApplication::current = nullptr;
}
