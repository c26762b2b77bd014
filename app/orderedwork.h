#pragma once

#include <functional>

// Runs work(0) ... work(count - 1) on `jobs` threads and hands each index to
// done() on the calling thread, in index order, as soon as its work and all
// before it are finished. Work runs at most 2 x jobs ahead of done(), so the
// results waiting to be handed on stay few. An exception from work(i) is
// thrown again on the calling thread in place of done(i); one from done()
// goes straight on. Either way no further work starts and every thread has
// ended before it leaves. With one index, or one job, all work runs on the
// calling thread.
void runInOrder(int count, int jobs, const std::function<void(int)>& work,
                const std::function<void(int)>& done);
