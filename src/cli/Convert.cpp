#include "cli/Commands.h"
#include "cli/Progress.h"

#include "files/FileAccess.h"
#include "operations/FlipMirror.h"
#include "operations/Rotate.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtt::cli {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// Ctrl-C stops the workers between files, so that the staged temporary
// files are removed and no output is left half done.
class InterruptGuard {
public:
    InterruptGuard()
    {
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 3; ++i)
            sigaction(Signals[i], &action, &previous_[i]);
    }
    ~InterruptGuard()
    {
        for (int i = 0; i < 3; ++i)
            sigaction(Signals[i], &previous_[i], nullptr);
    }

private:
    static constexpr int Signals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[3] {};
};

struct Job {
    std::string input;
    std::string output;
    FileFormat from = FileFormat::Tga;
    std::uint64_t size = 0;
    std::string refused; // why it is not even read
    bool failed = false;
    std::optional<StagedFile> staged;
};

// The input's name without its folder and extension, with the new extension,
// in the output folder.
std::string outputNameFor(const std::string& input, const std::string& folder, FileFormat to)
{
    std::string name = input.substr(input.rfind('/') + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return folder + (folder.ends_with('/') ? "" : "/") + name + (to == FileFormat::Tex ? ".tex" : ".tga");
}

std::optional<std::string> makeFolders(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? std::nullopt : std::optional<std::string>("it is not a folder");
    const std::string parent = folderOf(path);
    if (parent != path && parent != "." && parent != "/")
        if (auto problem = makeFolders(parent))
            return problem;
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
        return std::string(std::strerror(errno));
    return std::nullopt;
}

// Names and checks every output before anything is read: an existing output
// without --force, or an output another input already writes, is that
// input's failure.
std::vector<Job> planJobs(const ConvertOptions& options)
{
    std::vector<Job> jobs(options.inputs.size());
    std::unordered_map<std::string, std::string> writers; // output -> the input that writes it
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        Job& job = jobs[i];
        job.input = options.inputs[i];
        job.from = options.as ? *options.as : formatForPath(job.input);
        job.output = options.output.empty() ? outputNameFor(job.input, options.outputDir, options.to) : options.output;
        struct stat st {};
        if (::stat(job.input.c_str(), &st) == 0)
            job.size = static_cast<std::uint64_t>(st.st_size);

        const auto [writer, first] = writers.emplace(job.output, job.input);
        if (!first)
            job.refused = job.output + " is also the output of " + writer->second + "; only the first is converted";
        else if (!options.force && ::lstat(job.output.c_str(), &st) == 0)
            job.refused = job.output + " already exists (add --force to replace it)";
    }
    return jobs;
}

// Starts writing a staged file to disk while the next files are converted,
// so that the one flush at the end has little left to wait for. Only a
// hint: the flush is what makes the files durable.
void startWriteBack(const std::string& path)
{
#ifdef __linux__
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        ::close(fd);
    }
#else
    (void)path;
#endif
}

// Everything the window does from File > Open to File > Save, up to an
// output staged beside its target; the problem otherwise.
std::optional<std::string> convertOne(const ConvertOptions& options, Job& job)
{
    auto opened = openAsWindowWould(job.input, job.from);
    if (!opened.ok())
        return opened.error();
    ImageDocument& doc = opened.value();
    if (options.flip)
        flipImage(doc);
    if (options.mirror)
        mirrorImage(doc);
    if (options.rotate)
        rotateImage(doc, options.rotate);
    if (options.channels && !switchChannels(doc, *options.channels))
        return "--channels needs a 24- or 32-bit image, and this one has " + std::to_string(doc.BitDepth) + " bits";

    const std::string cannotWrite = "cannot write " + job.output;
    auto encoded = encodeImage(doc, job.output, options.to, panelFor(options.panel, doc));
    if (!encoded.ok()) {
        const FileError& error = encoded.error();
        if (error.kind == FileFailure::TexTypeMessage)
            return cannotWrite + " as TEX type " + std::to_string(doc.Tex.Type) + ": \"" + error.detail + "\"";
        return cannotWrite + ": " + error.detail;
    }
    auto staged = StagedFile::stage(job.output, encoded.value().bytes, false);
    if (!staged.ok())
        return cannotWrite + ": " + staged.error();
    job.staged.emplace(std::move(staged.value()));
    startWriteBack(job.staged->temporary());
    return std::nullopt;
}

void fail(Job& job, const std::string& problem, Progress& progress)
{
    job.failed = true;
    job.staged.reset();
    progress.problem("vtt: " + job.input + ": " + problem);
}

void convertAll(const ConvertOptions& options, std::vector<Job>& jobs, Progress& progress)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; !interrupted && (i = next++) < jobs.size();) {
            Job& job = jobs[i];
            // The core answers every foreseen problem; anything else still
            // fails only this file.
            std::optional<std::string> problem;
            try {
                if (!job.failed)
                    problem = convertOne(options, job);
            } catch (const std::exception& error) {
                problem = error.what();
            }
            if (problem)
                fail(job, *problem, progress);
            progress.fileDone(job.size);
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = std::min<std::size_t>(options.jobs ? options.jobs : cores, jobs.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 1; i < count; ++i)
        workers.emplace_back(work);
    work();
    for (std::thread& worker : workers)
        worker.join();
}

// One flush per file system holding staged files makes them all durable at
// the cost of one; only then does each take its target's place, and one
// flush per folder makes those renames durable.
void commitAll(std::vector<Job>& jobs, Progress& progress, bool force)
{
    std::map<dev_t, std::vector<Job*>> byFileSystem;
    for (Job& job : jobs) {
        if (!job.staged)
            continue;
        struct stat st {};
        ::stat(folderOf(job.staged->target()).c_str(), &st);
        byFileSystem[st.st_dev].push_back(&job);
    }
    progress.stage("flushing to disk");
    std::set<std::string> folders;
    for (auto& [device, staged] : byFileSystem) {
        const auto problem = flushFileSystemOf(staged.front()->staged->target());
        for (Job* job : staged) {
            if (problem) {
                fail(*job, "cannot write " + job->output + ": " + *problem, progress);
            } else if (auto notReplaced = job->staged->commit(force)) {
                fail(*job, "cannot write " + job->output + ": " + *notReplaced, progress);
            } else {
                folders.insert(folderOf(job->staged->target()));
            }
        }
    }
    for (const std::string& folder : folders)
        flushFolder(folder);
}

} // namespace

Result<ImageDocument, std::string> openAsWindowWould(const std::string& path, FileFormat format)
{
    auto opened = openImage(path, format, ImageDocument{});
    if (opened.ok())
        return std::move(opened.value());
    const FileError& error = opened.error();
    if (error.kind == FileFailure::UnsupportedTexType)
        return "its TEX " + error.detail + " is not supported";
    return error.detail;
}

int runConvert(const ConvertOptions& options)
{
    if (!options.outputDir.empty())
        if (auto problem = makeFolders(options.outputDir)) {
            std::fprintf(stderr, "vtt: cannot create the folder %s: %s\n", options.outputDir.c_str(), problem->c_str());
            return 1;
        }
    std::vector<Job> jobs = planJobs(options);
    std::uint64_t totalBytes = 0;
    for (const Job& job : jobs)
        totalBytes += job.size;

    Progress progress(jobs.size(), totalBytes, ::isatty(STDERR_FILENO) == 1);
    for (Job& job : jobs)
        if (!job.refused.empty())
            fail(job, job.refused, progress);
    InterruptGuard guard;
    convertAll(options, jobs, progress);
    if (interrupted) {
        jobs.clear(); // removes every staged temporary file
        progress.finish({});
        std::fputs("vtt: interrupted; no file was written\n", stderr);
        return 130;
    }
    commitAll(jobs, progress, options.force);

    const auto failed = static_cast<std::size_t>(
        std::count_if(jobs.begin(), jobs.end(), [](const Job& job) { return job.failed; }));
    char summary[160];
    const double seconds = progress.seconds();
    std::snprintf(summary, sizeof summary, "converted %zu of %zu files (%.1f MiB) in %.2f s", jobs.size() - failed,
                  jobs.size(), static_cast<double>(totalBytes) / (1024.0 * 1024.0), seconds);
    progress.finish(summary);
    return failed ? 1 : 0;
}

} // namespace vtt::cli
