// The bounds the benchmark holds the plug-in to; CI fails when a median ratio
// passes one. They are generous on purpose: they catch a gross regression (a
// call too many, work that grows with the square of the argument) on any
// machine, loaded or not, and leave the last few per cent to the table and
// to a person reading it.
#ifndef TOLVARIS_BENCH_BOUNDS_H
#define TOLVARIS_BENCH_BOUNDS_H

// A query makes the bare system calls and, besides, reads a few characters
// and writes one or two. Half as much again as the bare calls is no noise
// that the median of interleaved pairs lets through: it means a system call
// too many (a second OpenProcess doubles the no-such-process ratio) or a
// loop gone wrong.
const double QueryRatioBound = 1.5;

// The long argument (8191 spaces, the host's whole buffer) against an empty
// one: both reach the same probe, so the difference is the reading of 8191
// characters, some tens of µs when each is read a fixed number of times.
// Four times the empty argument's time leaves room for a slow copy and a
// cold cache; the 2 ms more, for a machine far slower than ours.
// A trim that reads the argument again for each character reads 67 million
// characters: tens of milliseconds anywhere.
const double LongArgumentFactorBound = 4.0;
const double LongArgumentAllowanceMicroseconds = 2000.0;

#endif
