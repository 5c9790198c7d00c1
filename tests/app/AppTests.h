// The Qt test classes of the desktop program, by name.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kalidor::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<std::pair<QString, TestFactory>>& TestClasses();

struct RegisterTest {
    RegisterTest(const QString& name, TestFactory f) { TestClasses().emplace_back(name, std::move(f)); }
};

}  // namespace kalidor::test
