// Measuring in a child process of its own, so that each run starts from a process that has
// not run the engine: the child's figures (a plain struct) come back through a pipe.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

// Forks a child that runs `measure` (which answers the Figures) and leaves; the parent reads
// the figures and reaps the child: `failed` when the child sends none (it crashed or gave
// up). The program exits with status 4 when no pipe can be made.
template <typename Figures, typename Measure>
Figures MeasureInChild(Measure measure, const Figures& failed = Figures{}) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(4);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const Figures figures = measure();
        if (write(fds[1], &figures, sizeof figures) != sizeof figures) std::_Exit(5);
        std::_Exit(0);
    }
    close(fds[1]);
    Figures figures = failed;
    if (read(fds[0], &figures, sizeof figures) != sizeof figures) figures = failed;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return figures;
}
