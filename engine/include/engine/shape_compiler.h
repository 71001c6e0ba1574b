#pragma once
// The shape compiler's entry point CompilaSpeciale3, bound by name from libvlk32_bc.so once at
// start-up and used by the bar detail loading (does the shape file open?) and by the
// part-program writer (compile a shape into the program). One binding for the whole program.
// An unbound compiler answers -2 ("shape file not found"); it is never called through a null
// pointer.
#include <cstdint>
#include <string>

class ShapeCompiler {
public:
    using Entry = int32_t (*)(const char*, const char*, const char*, int32_t, int32_t*, const char*, int32_t);
    static constexpr int32_t kNotFound = -2;

    ShapeCompiler() = default;
    ~ShapeCompiler();
    ShapeCompiler(const ShapeCompiler&) = delete;
    ShapeCompiler& operator=(const ShapeCompiler&) = delete;

    // Loads the library by name (default "vlk32_bc") and fetches CompilaSpeciale3. true when the
    // entry point is bound; a previous binding is released first.
    bool Bind(const std::string& libraryName = "vlk32_bc");
    // Binds a given function (tests, or a program that links the compiler statically).
    void BindFunction(Entry entry);
    // Releases the entry point and unloads the library.
    void Unbind();
    bool IsBound() const { return entry_ != nullptr; }

    // CompilaSpeciale3: 0 done, -1 failed, -2 shape file not opened (also when unbound).
    int32_t CompilaSpeciale3(const char* workDirectory, const char* shapeFile, const char* suffix, int32_t unused,
                             int32_t* lineCounter, const char* outputProgram, int32_t toolDiameter) const;

private:
    void* library_ = nullptr;
    Entry entry_ = nullptr;
};

// The program's one binding.
ShapeCompiler& TheShapeCompiler();
