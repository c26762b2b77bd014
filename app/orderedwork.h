#pragma once

#include <functional>

// Runs work(0) ... work(count - 1) on `jobs` threads and hands each index to
// done() on the calling thread, in index order, as soon as its work and all
// before it are finished. Work runs at most 2 x jobs ahead of done(), so the
// results waiting to be handed on stay few. Neither function may throw.
void runInOrder(int count, int jobs, const std::function<void(int)>& work,
                const std::function<void(int)>& done);
