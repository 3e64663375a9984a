#include "cli/Commands.h"
#include "cli/Memory.h"
#include "cli/Progress.h"

#include "codecs/Cancel.h"

#include "files/FileAccess.h"
#include "files/PaletteFileCommands.h"
#include "files/PrintableName.h"
#include "operations/FlipMirror.h"
#include "operations/ModeChange.h"
#include "operations/Rotate.h"
#include "operations/ScaleImage.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vtt::cli {

namespace {

std::atomic<bool> interrupted{false};

// The first signal asks every phase to stop at its next safe point (long
// decodes and encodes look every few milliseconds); a second one ends the
// process at once. Staged outputs have no name, so nothing is left behind
// but those that had to be given one, which are removed first.
extern "C" void onInterrupt(int)
{
    if (interrupted.exchange(true)) {
        removeTemporariesNow();
        ::_exit(130);
    }
    requestCancel();
}

// Ctrl-C, SIGTERM and SIGHUP stop the workers and the commits before the
// next one, so that staged files are discarded and no output is left half
// done.
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
    std::string output; // as the user named it
    std::string name;   // its name in the output folder
    ImageFormat from = ImageFormat::Tga;
    std::uint64_t size = 0;
    std::string refused; // why it is not even read
    bool failed = false;
    std::optional<StagedFile> staged;
};

// The input's name without its folder and extension, with the new extension,
// in the output folder.
std::string outputNameFor(const std::string& input, const std::string& folder, ImageFormat to)
{
    std::string name = input.substr(input.rfind('/') + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return folder + (folder.ends_with('/') ? "" : "/") + name + formatEntry(to).extension;
}

// The folder the outputs go to: opened for planning when it exists; a
// missing --out-dir is made only when the first output is about to be
// staged, so that a run whose inputs all fail leaves nothing behind.
class OutputFolder {
public:
    explicit OutputFolder(const ConvertOptions& options)
        : path_(options.output.empty() ? options.outputDir : folderOf(options.output)),
          planned_(OpenFolder::open(path_, options.output.empty() ? IfMissing::Defer : IfMissing::Refuse))
    {
        if (planned_.has_value() && planned_.value())
            planned_.value()->removeStaleTemporaries();
    }
    // The folder, a null one while it is still to be made, or why it cannot
    // be written to.
    const Result<FolderRef>& planned() const { return planned_; }

    // The folder to stage in, made if missing; null (said once) when it
    // cannot be made.
    FolderRef forStaging(Progress& progress)
    {
        std::lock_guard lock(mutex_);
        if (!made_ && !failed_) {
            auto made = OpenFolder::open(path_, IfMissing::Make);
            if (made.has_value())
                made_ = made.value();
            else
                progress.problem(cannotCreate(path_, made.error().detail));
            failed_ = !made.has_value();
        }
        return made_;
    }
    bool failed() const { return failed_; }

    static std::string cannotCreate(const std::string& path, const std::string& problem)
    {
        return "vtt: cannot create the folder " + path + ": " + problem;
    }

private:
    const std::string path_;
    Result<FolderRef> planned_;
    std::mutex mutex_;
    FolderRef made_ = planned_.has_value() ? planned_.value() : FolderRef();
    std::atomic<bool> failed_{false};
};

// Each staged output holds a descriptor until its commit: as many as the
// system allows.
void allowManyStagedFiles()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Names and checks every output before anything is read: an existing output
// without --force, or an output another input already writes, is that
// input's failure.
std::vector<Job> planJobs(const ConvertOptions& options, const Result<FolderRef>& folder)
{
    std::vector<Job> jobs(options.inputs.size());
    std::unordered_map<std::string, std::string> writers; // output -> the input that writes it
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        Job& job = jobs[i];
        job.input = options.inputs[i];
        job.from = options.as ? *options.as : formatForPath(job.input);
        job.output = options.output.empty() ? outputNameFor(job.input, options.outputDir, options.to) : options.output;
        job.name = nameOf(job.output);
        struct stat st {};
        if (::stat(job.input.c_str(), &st) == 0)
            job.size = static_cast<std::uint64_t>(st.st_size);

        const auto [writer, first] = writers.emplace(job.output, job.input);
        if (!folder.has_value())
            job.refused = "cannot write " + job.output + ": " + folder.error().detail;
        else if (!first)
            job.refused = job.output + " is also the output of " + writer->second + "; only the first is converted";
        else if (!options.force && folder.value() // a folder still to be made holds nothing
                 && ::fstatat(folder.value()->fd(), job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            job.refused = job.output + " already exists (add --force to replace it)";
    }
    return jobs;
}

// Scale Image, Mode and the type choice, through the very commands the
// window's history runs; kept nothing to undo.
std::optional<std::string> changeTexture(const ConvertOptions& options, ImageDocument& doc)
{
    const auto step = [&](std::unique_ptr<Command> command) { return command->apply(doc, 0); };
    const auto problem = [](const Error& error) {
        return error.kind == ErrorKind::BadValue ? "cannot scale it: " + error.detail : problemOf(error);
    };
    if (options.resize || options.pow2Up) {
        const auto side = [&](int from) {
            return *options.pow2Up ? resample::nextPowerOfTwo(from) : resample::previousPowerOfTwo(from);
        };
        const auto [w, h] = options.resize ? *options.resize
                                           : std::pair{side(doc.ImageWidth()), side(doc.ImageHeight())};
        if (auto done = step(std::make_unique<ScaleCommand>(w, h, options.filter)); !done)
            return problem(done.error());
    }
    if (options.mode)
        if (auto done = step(std::make_unique<ModeCommand>(*options.mode, options.quantize)); !done)
            return problemOf(done.error());
    if (options.type)
        if (auto chosen = chooseTexType(doc, *options.type, options.quantize, step); !chosen)
            return problemOf(chosen.error());
    return std::nullopt;
}

// Everything the window does from File > Open to File > Save, up to an
// output staged beside its target; the problem otherwise.
std::optional<std::string> convertOne(const ConvertOptions& options, const std::optional<PaletteColours>& palette,
                                      OutputFolder& folder, Progress& progress, Job& job)
{
    // Once the folder cannot be made, no output can be written; that was
    // said once.
    if (folder.failed()) {
        job.failed = true;
        return std::nullopt;
    }
    auto opened = openAsWindowWould(job.input, job.from);
    if (!opened.has_value())
        return problemOf(opened.error());
    ImageDocument& doc = opened.value();
    if (palette) {
        if (!doc.isPaletted())
            return "--palette needs a palette image, and this one has " + std::to_string(doc.BitDepth()) + " bits";
        applyPaletteColours(*palette, doc.Palette());
    }
    if (options.flip)
        flipImage(doc);
    if (options.mirror)
        mirrorImage(doc);
    if (options.rotate)
        if (auto turned = rotateImage(doc, options.rotate); !turned)
            return "not enough memory to turn it (" + turned.error().detail + ")";
    if (options.channels && !switchChannels(doc, *options.channels))
        return "--channels needs a 24- or 32-bit image, and this one has " + std::to_string(doc.BitDepth()) + " bits";
    if (auto problem = changeTexture(options, doc))
        return problem;

    const std::string cannotWrite = "cannot write " + job.output;
    TexPanelValues panel = panelFor(options.panel, doc);
    panel.mipFilter = options.mipFilter;
    auto encoded = encodeImage(doc, options.to, panel);
    if (!encoded.has_value()) {
        const Error& error = encoded.error();
        if (error.kind == ErrorKind::TexTypeMessage)
            return cannotWrite + " as TEX type " + std::to_string(doc.Facts.Tex.Type) + ": \"" + error.detail + "\"";
        return cannotWrite + ": " + error.detail;
    }
    const FolderRef target = folder.forStaging(progress);
    if (!target) {
        job.failed = true;
        return std::nullopt;
    }
    auto staged = StagedFile::stage(target, job.name, encoded.value().bytes, options.force, false);
    if (!staged.has_value())
        return cannotWrite + ": " + staged.error().detail;
    job.staged.emplace(std::move(staged.value()));
    return std::nullopt;
}

// Reports a job's failure. Never throws: when even the line cannot be
// built (memory ran out), its pieces are written as they are.
void fail(Job& job, std::string_view problem, Progress& progress) noexcept
{
    job.failed = true;
    job.staged.reset();
    if (interrupted)
        return; // a job stopped by the interrupt has nothing to say
    try {
        const FailureReport report;
        progress.problem("vtt: " + job.input + ": " + std::string(problem));
    } catch (...) {
        progress.problem({"vtt: ", job.input, ": ", problem});
    }
}

// Admits jobs in their order while the memory of the images in flight, plus
// the next one's, fits the budget; a job that does not fit waits for others
// to finish. Closed until the budget is known.
class MemoryGate {
public:
    void open(std::uint64_t budget)
    {
        std::lock_guard lock(mutex_);
        budget_ = budget;
        changed_.notify_all();
    }
    std::uint64_t budget()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return budget_ != 0; });
        return budget_;
    }
    // Waits for job `index`'s turn and room for `bytes`; false when the run
    // is interrupted first.
    bool enter(std::size_t index, std::uint64_t bytes)
    {
        std::unique_lock lock(mutex_);
        while (!interrupted) {
            if (budget_ != 0 && turn_ == index && inFlight_ + bytes <= budget_) {
                ++turn_;
                inFlight_ += bytes;
                changed_.notify_all();
                return true;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(20));
        }
        return false;
    }
    void leave(std::uint64_t bytes)
    {
        std::lock_guard lock(mutex_);
        inFlight_ -= bytes;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t budget_ = 0;
    std::uint64_t inFlight_ = 0;
    std::size_t turn_ = 0;
};

// The memory a job holds at most, from its header: the file's bytes (a PNG
// is read as it inflates), the image, the file written (about the image's
// size, a third more with TEX mip levels) and, to turn it, a second image.
std::uint64_t footprintOf(const Job& job, const ImageOutline& header, const ConvertOptions& options)
{
    const std::uint64_t image = std::uint64_t(std::max(0, int(header.ImageWidth())))
        * std::uint64_t(std::max(0, int(header.ImageHeight()))) * (header.depth == PaletteDepth ? 1 : 4);
    const std::uint64_t read = job.from == ImageFormat::Png ? 0 : std::min(job.size, 2 * image + (1u << 20));
    // Scaling and mode changes hold the picture twice more, at up to four
    // bytes a pixel, at the larger of the two sizes.
    std::uint64_t changed = 0;
    if (options.resize || options.pow2Up || options.mode || options.type) {
        std::uint64_t pixels = image / (header.depth == PaletteDepth ? 1 : 4);
        if (options.resize)
            pixels = std::max(pixels, std::uint64_t(options.resize->first) * std::uint64_t(options.resize->second));
        else if (options.pow2Up && *options.pow2Up)
            pixels *= 4;
        changed = 3 * 4 * pixels;
    }
    return read + image * (options.rotate ? 3 : 2) + image / 3 + changed + (1u << 20);
}

// Fails `job` for the exception being handled.
void failForException(Job& job, Progress& progress) noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        fail(job, "there is not enough memory to convert it", progress);
    } catch (const std::exception& error) {
        fail(job, error.what(), progress);
    } catch (...) {
        fail(job, "it failed for an unknown reason", progress);
    }
}

// The memory a job may need, from its header, or 0 when it has failed
// already: when even it alone does not fit, that is its failure.
std::uint64_t judgeFootprint(const ConvertOptions& options, Job& job, MemoryGate& gate, Progress& progress)
{
    if (job.failed)
        return 0;
    auto header = peekImage(job.input, job.from);
    if (!header.has_value()) {
        fail(job, problemOf(header.error()), progress);
        return 0;
    }
    const ImageOutline& h = header.value();
    const std::uint64_t footprint = footprintOf(job, h, options);
    const std::uint64_t budget = gate.budget();
    if (footprint <= budget)
        return footprint;
    std::string text = notEnoughMemoryText("convert", h.ImageWidth(), h.ImageHeight(), footprint);
    text.insert(text.size() - 1, ", of " + memorySizeText(budget) + " available");
    fail(job, text, progress);
    return 0;
}

// One job, admitted in its turn once its image fits in memory with those in
// flight. The core answers every foreseen problem; anything else, running
// out of memory included, still fails only this file.
void runJob(const ConvertOptions& options, const std::optional<PaletteColours>& palette, OutputFolder& folder,
            std::size_t index, Job& job, MemoryGate& gate, Progress& progress) noexcept
{
    std::uint64_t footprint = 0;
    try {
        footprint = judgeFootprint(options, job, gate, progress);
    } catch (...) {
        failForException(job, progress);
    }
    // Every job takes its turn, failed or not, so that the next may enter.
    if (!gate.enter(index, job.failed ? 0 : footprint) || job.failed)
        return;
    struct Admitted {
        MemoryGate& gate;
        std::uint64_t bytes;
        ~Admitted() { gate.leave(bytes); }
    } admitted{gate, footprint};
    try {
        if (auto problem = convertOne(options, palette, folder, progress, job))
            fail(job, *problem, progress);
    } catch (...) {
        failForException(job, progress);
    }
}

void convertAll(const ConvertOptions& options, const std::optional<PaletteColours>& palette, OutputFolder& folder,
                std::vector<Job>& jobs, Progress& progress)
{
    std::atomic<std::size_t> next{0};
    MemoryGate gate;
    const auto work = [&]() noexcept {
        for (std::size_t i; !interrupted && (i = next++) < jobs.size();) {
            runJob(options, palette, folder, i, jobs[i], gate, progress);
            progress.fileDone(jobs[i].size);
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t count = workersWithin(std::min<std::size_t>(options.jobs ? options.jobs : cores, jobs.size()));
    std::vector<std::thread> workers;
    // Threads that cannot be started (no memory for their stacks, a limit
    // on processes) leave the work to those that did, at least this one.
    try {
        workers.reserve(count);
        for (std::size_t i = 1; i < count; ++i)
            workers.emplace_back(work);
    } catch (...) {
    }
    // Measured once the threads hold their stacks.
    gate.open(memoryBudget(options.memory));
    work();
    for (std::thread& worker : workers)
        worker.join();
}

struct Committed {
    std::vector<std::string> written;
    bool flushed = true; // false when a file system or folder flush failed
};

// One flush per file system holding staged files makes them all durable at
// the cost of one, through the first folder opened there (opened before any
// output was written, so that write-back errors are reported); only then
// does each take its target's place, and one flush per folder makes those
// entries durable. An interrupt stops before the next commit.
Committed commitAll(std::vector<Job>& jobs, Progress& progress)
{
    std::map<dev_t, const OpenFolder*> flushers;
    for (const Job& job : jobs) {
        if (!job.staged)
            continue;
        const OpenFolder*& first = flushers[job.staged->folder()->device()];
        if (!first || job.staged->folder()->serial() < first->serial())
            first = job.staged->folder().get();
    }
    progress.stage("flushing to disk");
    std::map<dev_t, Result<void>> flushed;
    for (const auto& [device, folder] : flushers)
        flushed.emplace(device, folder->flushFileSystem());

    Committed done;
    std::map<const OpenFolder*, FolderRef> folders;
    for (Job& job : jobs) {
        if (interrupted)
            break;
        if (!job.staged)
            continue;
        const FolderRef folder = job.staged->folder();
        if (const auto& sync = flushed.at(folder->device()); !sync) {
            fail(job, "cannot write " + job.output + ": " + sync.error().detail, progress);
            done.flushed = false;
        } else if (auto replaced = job.staged->commit(); !replaced) {
            fail(job, "cannot write " + job.output + ": " + replaced.error().detail, progress);
        } else {
            done.written.push_back(job.output);
            folders.emplace(folder.get(), folder);
        }
        job.staged.reset();
    }
    for (const auto& [key, folder] : folders)
        if (auto synced = folder->flush(); !synced) {
            progress.problem("vtt: " + synced.error().detail);
            done.flushed = false;
        }
    return done;
}

} // namespace

std::string problemOf(const Error& error)
{
    if (error.kind == ErrorKind::UnsupportedTexType)
        return "its TEX " + error.detail + " is not supported";
    return error.detail;
}

// A fresh window has nothing to carry over into what it opens.
Result<ImageDocument> openAsWindowWould(const std::string& path, ImageFormat format)
{
    return openImage(path, format);
}

int runConvert(const ConvertOptions& options)
{
    InterruptGuard guard;
    // Read once for all inputs; a bad palette file converts nothing.
    std::optional<PaletteColours> palette;
    if (!options.palette.empty()) {
        auto loaded = loadPaletteFile(options.palette);
        if (!loaded.has_value()) {
            const Error& error = loaded.error();
            const std::string message = "Could not open \"" + printableName(error.subject) + "\": " + error.detail + ".";
            std::fprintf(stderr, "vtt: %s\n", printableName(message).c_str());
            return 1;
        }
        palette = loaded.value();
    }
    // Every output is written relative to its folder, opened once here.
    OutputFolder folder(options);
    if (!options.outputDir.empty() && !folder.planned().has_value()) {
        const std::string problem = OutputFolder::cannotCreate(options.outputDir, folder.planned().error().detail);
        std::fprintf(stderr, "%s\n", printableName(problem).c_str());
        return 1;
    }
    allowManyStagedFiles();
    std::vector<Job> jobs = planJobs(options, folder.planned());
    std::uint64_t totalBytes = 0;
    for (const Job& job : jobs)
        totalBytes += job.size;

    Progress progress(jobs.size(), totalBytes, ::isatty(STDERR_FILENO) == 1);
    for (Job& job : jobs)
        if (!job.refused.empty())
            fail(job, job.refused, progress);
    if (folder.planned().has_value())
        convertAll(options, palette, folder, jobs, progress);
    Committed committed;
    if (!interrupted)
        committed = commitAll(jobs, progress);
    if (interrupted) {
        jobs.clear(); // discards every staged file not yet in place
        progress.finish({});
        if (committed.written.empty())
            std::fputs("vtt: interrupted; no file was written\n", stderr);
        else
            std::fprintf(stderr, "vtt: interrupted; %zu outputs were written before it:\n", committed.written.size());
        for (const std::string& output : committed.written)
            std::fprintf(stderr, "vtt: written: %s\n", printableName(output).c_str());
        return 130;
    }

    const auto failed = static_cast<std::size_t>(
        std::count_if(jobs.begin(), jobs.end(), [](const Job& job) { return job.failed; }));
    char summary[160];
    const double seconds = progress.seconds();
    std::snprintf(summary, sizeof summary, "converted %zu of %zu files (%.1f MiB) in %.2f s", jobs.size() - failed,
                  jobs.size(), static_cast<double>(totalBytes) / (1024.0 * 1024.0), seconds);
    progress.finish(summary);
    return failed || !committed.flushed ? 1 : 0;
}

} // namespace vtt::cli
