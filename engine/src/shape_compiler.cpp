// Binding of the shape compiler library by name.
#include "engine/shape_compiler.h"

#include "platform/dynlib.h"

ShapeCompiler::~ShapeCompiler() { Unbind(); }

bool ShapeCompiler::Bind(const std::string& libraryName) {
    Unbind();
    plat::LibHandle lib = plat::LoadLibraryByName(libraryName);
    if (lib == nullptr) return false;
    void* sym = plat::GetProcAddress(lib, "CompilaSpeciale3");
    if (sym == nullptr) {
        plat::FreeLibrary(lib);
        return false;
    }
    library_ = lib;
    entry_ = reinterpret_cast<Entry>(sym);
    return true;
}

void ShapeCompiler::BindFunction(Entry entry) {
    Unbind();
    entry_ = entry;
}

void ShapeCompiler::Unbind() {
    entry_ = nullptr;
    if (library_ != nullptr) plat::FreeLibrary(library_);
    library_ = nullptr;
}

int32_t ShapeCompiler::CompilaSpeciale3(const char* workDirectory, const char* shapeFile, const char* suffix,
                                        int32_t unused, int32_t* lineCounter, const char* outputProgram,
                                        int32_t toolDiameter) const {
    if (entry_ == nullptr) return kNotFound;
    return entry_(workDirectory, shapeFile, suffix, unused, lineCounter, outputProgram, toolDiameter);
}

ShapeCompiler& TheShapeCompiler() {
    static ShapeCompiler compiler;
    return compiler;
}
