#include "app/jobplan.h"

#include "util/files/outputname.h"

JobPlan planJobs(const ConverterOptions& options)
{
    JobPlan plan;
    const OutputPlan outputs =
        planOutputs(options.captures, options.output, options.outputDir, options.combine,
                    extensionOf(options), pageFilesOf(options));
    if (!outputs.collision.isEmpty()) {
        plan.refusal = outputs.collision;
        plan.usageError = true;
        return plan;
    }
    if (!outputs.binderOverCapture.isEmpty()) {
        plan.refusal = outputs.binderOverCapture;
        return plan;
    }
    plan.jobs.resize(std::size_t(options.captures.size()));
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
        CaptureJob& job = plan.jobs[i];
        job.capture = options.captures[qsizetype(i)];
        job.target = outputs.targets[qsizetype(i)];
        job.files = outputs.files[qsizetype(i)];
        job.error = outputs.overCapture[qsizetype(i)];
    }
    return plan;
}
