#pragma once
// The shared start of every benchmark program: offscreen unless QT_QPA_PLATFORM says otherwise, a
// scratch settings file unless TESSARY_REGISTRY_FILE names one and a scratch recovery folder unless
// TESSARY_RECOVERY_DIR names one (a benchmark never touches the user's), one QApplication for the run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <functional>

inline int runBenchmarks(int argc, char** argv, const std::function<void()>& setUp = {},
                         benchmark::BenchmarkReporter* reporter = nullptr)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryFile registry;
    if (qEnvironmentVariableIsEmpty("TESSARY_REGISTRY_FILE") && registry.open())
        qputenv("TESSARY_REGISTRY_FILE", registry.fileName().toLocal8Bit());
    QTemporaryDir recovery;
    if (qEnvironmentVariableIsEmpty("TESSARY_RECOVERY_DIR") && recovery.isValid())
        qputenv("TESSARY_RECOVERY_DIR", recovery.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (setUp)
        setUp();
    benchmark::RunSpecifiedBenchmarks(reporter);
    benchmark::Shutdown();
    return 0;
}
