// Times two commands in alternation, each run with standard input from one file and
// standard output to a fresh file, and prints the medians, the median of the per-pair ratios
// and each command's peak resident memory. Pairing runs cancels most of a noisy machine's
// drift; removing the output file before each run keeps its truncation out of the timing.
//
//   paired_runs RUNS INPUT OUTPUT -- COMMAND A... -- COMMAND B...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct run_result {
    double milliseconds;
    long peak_kilobytes;
};

run_result run_once(char* const* command, const char* input, const char* output)
{
    if (std::strcmp(output, "/dev/null") != 0) unlink(output);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int in = open(input, O_RDONLY);
        const int out = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        setsid();  // no controlling terminal: gbcode's key wait returns at once
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<char*> first;
    std::vector<char*> second;
    int at = 4;
    if (argc < 8 || std::strcmp(argv[at], "--") != 0) {
        std::fprintf(stderr, "usage: paired_runs RUNS INPUT OUTPUT -- A... -- B...\n");
        return 2;
    }
    for (++at; at < argc && std::strcmp(argv[at], "--") != 0; ++at) first.push_back(argv[at]);
    for (++at; at < argc; ++at) second.push_back(argv[at]);
    first.push_back(nullptr);
    second.push_back(nullptr);

    const int runs = std::atoi(argv[1]);
    std::vector<double> first_times, second_times, ratios;
    long first_peak = 0, second_peak = 0;
    for (int run = -2; run < runs; ++run) {  // two warm-up pairs
        const run_result a = run_once(first.data(), argv[2], argv[3]);
        const run_result b = run_once(second.data(), argv[2], argv[3]);
        if (run < 0) continue;
        first_times.push_back(a.milliseconds);
        second_times.push_back(b.milliseconds);
        ratios.push_back(a.milliseconds / b.milliseconds);
        first_peak = std::max(first_peak, a.peak_kilobytes);
        second_peak = std::max(second_peak, b.peak_kilobytes);
    }
    std::printf("%.3f ms  %.3f ms  ratio %.2f  peak %ld KiB  %ld KiB  ratio %.2f\n",
                median(first_times), median(second_times), median(ratios), first_peak,
                second_peak, static_cast<double>(first_peak) / static_cast<double>(second_peak));
}
