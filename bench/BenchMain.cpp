// The benchmarks' entry: as Google Benchmark's own, except that a run that
// reported an error (a side that did no work, pictures that differ) fails
// the process, so that no script takes its figures for good ones.

#include <vector>

#include <benchmark/benchmark.h>

namespace {

// Google Benchmark's own reporter (it follows --benchmark_format and
// --benchmark_color), noting whether any run reported an error.
class FailOnErrorReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override { return m_pDisplay->ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_bFailed = m_bFailed || run.error_occurred;
        m_pDisplay->ReportRuns(runs);
    }
    void Finalize() override { m_pDisplay->Finalize(); }
    bool Failed() const { return m_bFailed; }

private:
    benchmark::BenchmarkReporter* m_pDisplay = benchmark::CreateDefaultDisplayReporter(); // the library's
    bool m_bFailed = false;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    FailOnErrorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.Failed() ? 1 : 0;
}
