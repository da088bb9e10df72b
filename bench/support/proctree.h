#pragma once

#include <QByteArray>
#include <QList>

// Memory and CPU of a process with all its descendants, read from /proc:
// a program's cost includes the helper processes it starts (the web
// engine's renderer, GPU and utility processes).
namespace ProcTree {

// PSS splits shared pages among every process mapping them, on the whole
// machine: other programs using the same libraries lower it. USS, the
// pages the tree alone holds, does not move with what else runs.
struct Memory {
    qint64 rssKb = 0;
    qint64 pssKb = 0;
    qint64 ussKb = 0;
};

// The pid of each process below `root`, root included.
QList<int> pids(int root);

// The tree's memory; with `report`, one line per process is appended.
Memory memory(int root, QByteArray *report = nullptr);

// CPU time the tree's live processes have used so far, in seconds.
double cpuSeconds(int root);
// The same for one process alone.
double ownCpuSeconds(int pid);

}  // namespace ProcTree
