// child_probe: a child process for the process-runner tests. It reports what
// it inherited, appends to files, exits with a given code, or starts a
// grandchild and waits forever.
//
//   child_probe report FILE            pid, process group, open descriptors,
//                                      where the standard streams lead, cwd
//   child_probe args FILE ARG...       each argument on a line
//   child_probe append FILE TEXT...    appends the texts and a line end
//   child_probe exit CODE              exits with CODE
//   child_probe family FILE            writes its pid and a grandchild's pid,
//                                      then both sleep until killed
//   child_probe later FILE MS          writes its pid, sleeps MS, appends "done"
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string LinkTarget(const char *path) {
    char buffer[4096];
    ssize_t n = readlink(path, buffer, sizeof buffer - 1);
    return n < 0 ? "?" : std::string(buffer, static_cast<size_t>(n));
}

int Report(const char *file) {
    // Which descriptors were inherited: list them before opening anything.
    std::string fds;
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return 3;
    }
    int own = dirfd(dir);
    while (struct dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || atoi(entry->d_name) == own) {
            continue;
        }
        fds += fds.empty() ? "" : ",";
        fds += entry->d_name;
    }
    closedir(dir);
    FILE *out = fopen(file, "w");
    if (out == nullptr) {
        return 4;
    }
    char cwd[4096];
    fprintf(out, "pid=%d\npgid=%d\nfds=%s\nstdin=%s\nstdout=%s\nstderr=%s\ncwd=%s\n", getpid(),
            getpgrp(), fds.c_str(), LinkTarget("/proc/self/fd/0").c_str(),
            LinkTarget("/proc/self/fd/1").c_str(), LinkTarget("/proc/self/fd/2").c_str(),
            getcwd(cwd, sizeof cwd) != nullptr ? cwd : "?");
    fclose(out);
    return 0;
}

int Append(const char *file, int count, char **texts, const char *separator) {
    FILE *out = fopen(file, "a");
    if (out == nullptr) {
        return 4;
    }
    for (int i = 0; i < count; ++i) {
        fprintf(out, "%s%s", i > 0 ? separator : "", texts[i]);
    }
    fputs("\n", out);
    fclose(out);
    return 0;
}

void WritePid(const char *file, const char *name) {
    FILE *out = fopen(file, "a");
    if (out != nullptr) {
        fprintf(out, "%s=%d\n", name, getpid());
        fclose(out);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        return 64;
    }
    std::string mode = argv[1];
    if (mode == "report") {
        return Report(argv[2]);
    }
    if (mode == "args") {
        return Append(argv[2], argc - 3, argv + 3, "\n");
    }
    if (mode == "append") {
        return Append(argv[2], argc - 3, argv + 3, " ");
    }
    if (mode == "exit") {
        return atoi(argv[2]);
    }
    if (mode == "family") {
        if (fork() == 0) {
            WritePid(argv[2], "grandchild");
        } else {
            WritePid(argv[2], "child");
        }
        for (;;) {
            pause();
        }
    }
    if (mode == "later" && argc >= 4) {
        WritePid(argv[2], "pid");
        usleep(static_cast<useconds_t>(atoi(argv[3])) * 1000);
        char done[] = "done";
        char *texts[] = {done};
        return Append(argv[2], 1, texts, "");
    }
    return 64;
}
