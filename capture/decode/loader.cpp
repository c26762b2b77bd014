// Finding and loading the decoding module on first use; each decoding call
// goes through its table.
#include "capture/decode/backend.h"

#include "util/fault.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

namespace decode {

namespace {

struct Module {
    const backend::Entry* entry = nullptr;
    QString error; // why there is no entry
};

Module load()
{
    // Installed, the module sits where the program's folder leads to; in
    // the build tree, where it was built.
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    std::vector<std::filesystem::path> places;
    if (!failed)
        places.push_back(program.parent_path() / ZELMAR_DECODE_MODULE_INSTALLED);
    places.push_back(ZELMAR_DECODE_MODULE_BUILT);
    Module module;
    module.error = QStringLiteral("decoding is not available: its module %1 is not installed")
                       .arg(QString::fromStdString(places.front().lexically_normal().string()));
    for (const std::filesystem::path& place : places) {
        if (!std::filesystem::exists(place, failed))
            continue;
        // Global: the Python modules written in C that the decoders import
        // take the interpreter's symbols from there.
        void* handle = dlopen(place.c_str(), RTLD_NOW | RTLD_GLOBAL);
        const auto get =
            handle
                ? reinterpret_cast<const backend::Entry* (*)()>(dlsym(handle, backend::entrySymbol))
                : nullptr;
        const backend::Entry* entry = get ? get() : nullptr;
        if (entry && entry->version == backend::entryVersion) {
            module.entry = entry;
            return module; // never unloaded: its Python lives as long as the process
        }
        const char* why = handle ? nullptr : dlerror();
        module.error =
            QStringLiteral("decoding is not available: its module %1 cannot be loaded (%2)")
                .arg(QString::fromStdString(place.string()),
                     why ? QString::fromLocal8Bit(why) : QStringLiteral("it is of another build"));
        if (handle)
            dlclose(handle);
        return module;
    }
    return module;
}

const Module& module()
{
    static const Module loaded = load();
    return loaded;
}

} // namespace

bool decodingAvailable() { return module().entry && module().entry->decodingAvailable(); }

QString unavailableReason()
{
    return module().entry ? module().entry->unavailableReason() : module().error;
}

Checked<QList<DecoderSummary>> listDecoders()
{
    if (!module().entry)
        return Checked<QList<DecoderSummary>>::refused(module().error);
    return module().entry->listDecoders();
}

Checked<DecoderInfo> describeDecoder(const QString& id)
{
    if (!module().entry)
        return Checked<DecoderInfo>::refused(module().error);
    return module().entry->describeDecoder(id);
}

std::vector<DecodedRow> decodeStack(const ResolvedStack& stack, const SampleInput& input)
{
    if (!module().entry)
        throw Fault(FaultKind::DecoderError, module().error);
    return module().entry->decodeStack(stack, input);
}

QString backend::dryRunWithoutRate(const ResolvedStack& stack)
{
    return module().entry ? module().entry->dryRunWithoutRate(stack) : module().error;
}

} // namespace decode
