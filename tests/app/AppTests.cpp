#include "AppTests.h"

namespace kalidor::test {

std::vector<std::pair<QString, TestFactory>>& TestClasses()
{
    static std::vector<std::pair<QString, TestFactory>> classes;
    return classes;
}

}  // namespace kalidor::test
