#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <initializer_list>
#include <utility>

// Starts this test executable again in `child`, running only the test
// `childTest`, with `variables` added to this process's environment. A child
// test skips unless one of its variables is set, so it does nothing in a
// normal run. Set the child's channel mode before calling.
inline void startChildTest(QProcess& child, const QString& childTest,
                           std::initializer_list<std::pair<QString, QString>> variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + childTest});
}
