/* Times two commands in alternation, each run with standard input from one file and standard
 * output to a fresh file (or, for OUTPUT "|", to a pipe that a child drains), and prints the
 * median wall and CPU times, the medians of the per-pair ratios and each command's median
 * peak resident memory as the kernel reports it. Pairing runs cancels most of a noisy
 * machine's drift; removing the output file before each run keeps its truncation out of the
 * timing.
 *
 * Written in C, small: a child's peak memory counts what it held before it became the
 * command, a copy of this program, which must therefore stay well below any command's.
 *
 *   paired_runs RUNS INPUT OUTPUT -- COMMAND A... -- COMMAND B...
 *
 * prints: wall A / B ms = ratio   cpu A / B ms = ratio   peak A / B KiB = ratio
 */
#define _DEFAULT_SOURCE /* wait4 and clock_gettime, under a strict C standard too */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { most_runs = 10000 };

struct run_result {
    double milliseconds;
    double cpu_milliseconds; /* user and system time of the command itself */
    long peak_kilobytes;
};

static double now_in_milliseconds(void)
{
    struct timespec time;
    clock_gettime(CLOCK_MONOTONIC, &time);
    return (double)time.tv_sec * 1e3 + (double)time.tv_nsec / 1e6;
}

static double in_milliseconds(struct timeval time)
{
    return (double)time.tv_sec * 1e3 + (double)time.tv_usec / 1e3;
}

static struct run_result run_once(char* const* command, const char* input, const char* output)
{
    const int to_pipe = strcmp(output, "|") == 0;
    int pipe_ends[2] = {-1, -1};
    if (to_pipe) {
        if (pipe(pipe_ends) != 0) exit(1);
    } else if (strcmp(output, "/dev/null") != 0) {
        unlink(output);
    }
    const double start = now_in_milliseconds();
    pid_t reader = -1;
    if (to_pipe && (reader = fork()) == 0) {
        static char drained[1 << 16];
        close(pipe_ends[1]);
        while (read(pipe_ends[0], drained, sizeof drained) > 0) {}
        _exit(0);
    }
    const pid_t child = fork();
    if (child == 0) {
        const int in = open(input, O_RDONLY);
        const int out = to_pipe ? pipe_ends[1] : open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        if (to_pipe) close(pipe_ends[0]);
        setsid(); /* no controlling terminal: gbcode's key wait returns at once */
        execvp(command[0], command);
        _exit(127);
    }
    if (to_pipe) {
        close(pipe_ends[0]);
        close(pipe_ends[1]);
    }
    int status = 0;
    struct rusage usage;
    wait4(child, &status, 0, &usage);
    if (to_pipe) waitpid(reader, NULL, 0);
    const struct run_result result = {now_in_milliseconds() - start,
                                      in_milliseconds(usage.ru_utime) + in_milliseconds(usage.ru_stime),
                                      usage.ru_maxrss};
    return result;
}

static int by_value(const void* a, const void* b)
{
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

static double median(double* values, int count)
{
    qsort(values, (size_t)count, sizeof *values, by_value);
    return values[count / 2];
}

int main(int argc, char** argv)
{
    int second = 5;
    while (second < argc && strcmp(argv[second], "--") != 0) ++second;
    const int runs = argc > 1 ? atoi(argv[1]) : 0;
    if (argc < 8 || strcmp(argv[4], "--") != 0 || second + 1 >= argc || runs < 1 ||
        runs > most_runs) {
        fprintf(stderr, "usage: paired_runs RUNS INPUT OUTPUT -- A... -- B...\n");
        return 2;
    }
    argv[second] = NULL; /* ends the first command's words */
    char* const* first_command = argv + 5;
    char* const* second_command = argv + second + 1;

    static double first_times[most_runs], second_times[most_runs], ratios[most_runs];
    static double first_cpu[most_runs], second_cpu[most_runs], cpu_ratios[most_runs];
    static double first_peaks[most_runs], second_peaks[most_runs];
    for (int run = -2; run < runs; ++run) { /* two warm-up pairs */
        const struct run_result a = run_once(first_command, argv[2], argv[3]);
        const struct run_result b = run_once(second_command, argv[2], argv[3]);
        if (run < 0) continue;
        first_times[run] = a.milliseconds;
        second_times[run] = b.milliseconds;
        ratios[run] = a.milliseconds / b.milliseconds;
        first_cpu[run] = a.cpu_milliseconds;
        second_cpu[run] = b.cpu_milliseconds;
        cpu_ratios[run] = a.cpu_milliseconds / (b.cpu_milliseconds > 0 ? b.cpu_milliseconds : 1e-3);
        first_peaks[run] = (double)a.peak_kilobytes;
        second_peaks[run] = (double)b.peak_kilobytes;
    }
    const double first_peak = median(first_peaks, runs);
    const double second_peak = median(second_peaks, runs);
    printf("wall %.3f / %.3f ms = %.2f   cpu %.2f / %.2f ms = %.2f   peak %.0f / %.0f KiB = %.2f\n",
           median(first_times, runs), median(second_times, runs), median(ratios, runs),
           median(first_cpu, runs), median(second_cpu, runs), median(cpu_ratios, runs),
           first_peak, second_peak, first_peak / second_peak);
    return 0;
}
