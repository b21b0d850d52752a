// Counts as 64-bit integers, then the values, in the order of the fields of mesh and group.
#include "sheetprep/mesh_bytes.hpp"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "sheet/failure.hpp"

namespace sheetprep {

namespace {

class writer {
public:
    template <typename value>
    void put(const value& v) {
        static_assert(std::is_trivially_copyable_v<value>);
        out_.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    template <typename value>
    void put_all(const std::vector<value>& values) {
        put(static_cast<std::uint64_t>(values.size()));
        out_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(value));
    }
    void put_text(const std::string& text) {
        put(static_cast<std::uint64_t>(text.size()));
        out_ += text;
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

class reader {
public:
    explicit reader(std::string_view bytes) : bytes_(bytes) {}

    template <typename value>
    value get() {
        value v{};
        take(&v, sizeof v);
        return v;
    }
    template <typename value>
    std::vector<value> get_all() {
        const std::uint64_t count = get<std::uint64_t>();
        if (count > (bytes_.size() - at_) / sizeof(value)) cut_short();
        std::vector<value> values(count);
        take(values.data(), count * sizeof(value));
        return values;
    }
    std::string get_text() {
        const std::uint64_t size = get<std::uint64_t>();
        if (size > bytes_.size() - at_) cut_short();
        std::string text(bytes_.substr(at_, size));
        at_ += size;
        return text;
    }
    bool at_end() const { return at_ == bytes_.size(); }
    [[noreturn]] static void cut_short() {
        throw sheet::failure("the mesh from gmsh's process is not whole");
    }

private:
    void take(void* to, std::size_t size) {
        if (size > bytes_.size() - at_) cut_short();
        if (size > 0) std::memcpy(to, bytes_.data() + at_, size);
        at_ += size;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::string mesh_to_bytes(const mesh& m) {
    writer out;
    out.put_all(m.nodes);
    out.put_all(m.triangles);
    out.put(static_cast<std::uint64_t>(m.groups.size()));
    for (const group& g : m.groups) {
        out.put_text(g.name);
        out.put(static_cast<std::int64_t>(g.dimension));
        out.put_all(g.nodes);
        out.put_all(g.triangles);
        out.put_all(g.edges);
        out.put_all(g.stray_nodes);
    }
    return out.take();
}

mesh mesh_from_bytes(std::string_view bytes) {
    reader in(bytes);
    mesh m;
    m.nodes = in.get_all<point>();
    m.triangles = in.get_all<std::array<std::int32_t, 3>>();
    const std::uint64_t groups = in.get<std::uint64_t>();
    for (std::uint64_t k = 0; k < groups; ++k) {
        group g;
        g.name = in.get_text();
        g.dimension = static_cast<int>(in.get<std::int64_t>());
        g.nodes = in.get_all<std::int32_t>();
        g.triangles = in.get_all<std::int32_t>();
        g.edges = in.get_all<std::array<std::int32_t, 2>>();
        g.stray_nodes = in.get_all<std::size_t>();
        m.groups.push_back(std::move(g));
    }
    if (!in.at_end()) reader::cut_short();
    return m;
}

}  // namespace sheetprep
