// records_io.cpp - export to and import from record files through the
// core's records (admcore/records.hpp: a header record of field names, one
// record per item, a manifest beside the file), with a progress bar. An
// import checks the whole file and every value before it defines anything;
// Ctrl-C stops it between two definitions, and an import run again with
// --skip-existing (or --replace) completes it. "-" is standard input or
// output, passed through a temporary file (with no manifest).
#include "batches.hpp"
#include "fleet.hpp"
#include "handlers.hpp"
#include "progress.hpp"
#include "records.hpp"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace tarnadm {
namespace {

// A temporary file (when `wanted`) that goes when it does.
struct TempFile {
    std::string path;
    explicit TempFile(bool wanted)
    {
        char name[TARN_MAX_PATH] = "";
        if (wanted && TarnGetTempFileName(nullptr, "tarnadm", name)) path = name;
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile()
    {
        if (!path.empty()) std::remove(path.c_str());
    }
};

// Copies everything from one stream to another; false when either fails.
bool copy_stream(std::FILE *from, std::FILE *to)
{
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0)
        if (std::fwrite(buffer, 1, n, to) != n) return false;
    return !std::ferror(from) && std::fflush(to) == 0;
}

// Standard input copied into `temp`: the path to read, or a problem.
Result<std::string> input_path(const std::string &file, TempFile &temp)
{
    if (file != "-") {
        std::error_code error;
        if (!std::filesystem::exists(file, error))
            return Problem("cannot read " + file + ": no such file", admcore::Outcome::Usage);
        return file;
    }
    std::FILE *out = temp.path.empty() ? nullptr : std::fopen(temp.path.c_str(), "wb");
    const bool copied = out && copy_stream(stdin, out);
    if (out) std::fclose(out);
    if (!copied) return Problem("cannot read standard input into a temporary file", admcore::Outcome::Internal);
    return temp.path;
}

// The temporary file of an export to "-" copied to standard output.
int send_to_stdout(Session &session, const std::string &path)
{
    std::FILE *in = std::fopen(path.c_str(), "rb");
    const bool copied = in && copy_stream(in, stdout);
    if (in) std::fclose(in);
    if (!copied) return session.report(Problem("cannot write to standard output", admcore::Outcome::Internal));
    return kExitOk;
}

// The import's summary in the words of a batched command's.
BatchSummary import_summary(const admcore::ImportSummary &summary, bool interrupted)
{
    BatchSummary s = batch_summary(summary);
    s.unit = "record";
    s.existingCounts = true;
    s.interrupted = interrupted;
    return s;
}

}  // namespace

int export_command(Session &session, const Command &command)
{
    Command c = command;
    c.file = node_file_name(c.file, session.settings.node);
    Kind *kind = nullptr;
    FilterPtr filter;
    std::vector<std::size_t> indexes;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    if (int exit = session.take(session.criteria(kind->fields, c.args), filter)) return exit;
    if (int exit = session.take(session.columns(kind->fields), indexes)) return exit;
    TempFile temp(c.file == "-");
    const std::string &path = c.file == "-" ? temp.path : c.file;
    std::unique_ptr<Progress> progress;
    std::size_t done = 0;
    Result<std::size_t> written = admcore::export_records(
        *kind, filter.get(), indexes, path, c.file != "-",
        [&](std::size_t count) { progress = std::make_unique<Progress>("export", count, !session.settings.quiet); },
        [&](std::size_t n) {
            progress->update(n);
            return true;
        });
    if (progress) progress->finish();
    if (int exit = session.take(std::move(written), done)) return exit;
    if (c.file == "-") {
        if (int exit = send_to_stdout(session, path)) return exit;
        if (!session.settings.quiet) std::fprintf(stderr, "%zu exported\n", done);
    } else if (session.settings.format == Format::Table) {
        if (!session.settings.quiet) std::printf("%zu exported to %s\n", done, c.file.c_str());
    } else {
        const std::string exported = std::to_string(done);
        const char *summary[] = {exported.c_str(), c.file.c_str()};
        auto writer = make_output(stdout, {{"EXPORTED", ""}, {"FILE", ""}}, session.style(true));
        writer->row(summary);
        writer->finish();
    }
    return kExitOk;
}

int import_command(Session &session, const Command &c)
{
    if (session.settings.skipExisting && session.settings.replace)
        return session.usage("--skip-existing and --replace exclude each other");
    Kind *kind = nullptr;
    TempFile temp(c.file == "-");
    std::string path;
    admcore::RecordFile file;
    if (int exit = session.take(input_path(c.file, temp), path)) return exit;
    if (int exit = session.take(session.kind(c.kind), kind)) return exit;
    Result<admcore::RecordFile> read = admcore::read_records(*kind, path, c.file != "-");
    if (!read && c.file == "-") {
        // The temporary file's name means nothing to the user.
        Problem problem = read.problem();
        if (const std::size_t at = problem.what.find(path); at != std::string::npos)
            problem.what.replace(at, path.size(), "standard input");
        return session.report(problem);
    }
    if (int exit = session.take(std::move(read), file)) return exit;
    admcore::ImportOptions options;
    options.validate = true;  // a refused value imports nothing
    // A second object of the kind checks half of the values on a second thread.
    admcore::Kinds spare;
    Result<Kind *> checker = spare.open(session.settings, c.kind);
    if (checker) options.checker = *checker;
    options.stopOnError = session.settings.stopOnError;
    options.atomic = session.settings.atomic;
    if (session.settings.skipExisting) options.existing = admcore::Existing::Skip;
    if (session.settings.replace) options.existing = admcore::Existing::Replace;
    InterruptGuard guard;
    Progress progress("import", file.records.size(), !session.settings.quiet);
    const admcore::ImportSummary summary = admcore::import_records(*kind, file, options, [&](std::size_t done) {
        progress.update(done);
        return !guard.interrupted();
    });
    progress.finish();
    if (summary.problem) return session.report(*summary.problem);
    const BatchSummary report = import_summary(summary, summary.stopped && guard.interrupted());
    print_summary(session, report);
    return summary_exit(report);
}

}  // namespace tarnadm
