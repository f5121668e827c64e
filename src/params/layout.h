// Named layouts of the flat vectors an element hands its solver.
//
// A builder passes a solver two flat vectors, ints and doubles, and gets one
// back; their slot order is fixed by the calculation files on disk and by
// the host, which reads them as exported globals.  A layout names the slots
// of one vector once: a list macro gives every slot a member name and the
// label the debug report prints for it, and the struct, its slot count and
// its labels all follow from that one list.  Builders fill the struct and
// write it, solvers read it back, the report labels the vector from it; the
// position of a slot is written nowhere else.
//
//   #define MIRTEX_GAP_RESULTS(X) X(Cp1, "Cp1[F]") X(Cp2, "Cp2[F]") ...
//   MIRTEX_LAYOUT(GapResults, double, MIRTEX_GAP_RESULTS);
//
// A label starting with a line feed breaks the report's line before it.
// Where a vector runs on past its named slots (a finger table, a turn
// table), the layout names the fixed head and the rest stays a tail.
#pragma once

#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

#define MIRTEX_LAYOUT_MEMBER(name, label) slot_type name = 0;
#define MIRTEX_LAYOUT_LABEL(name, label) label,
#define MIRTEX_LAYOUT(Type, Slot, LIST)                                                     \
    struct Type {                                                                           \
        using slot_type = Slot;                                                             \
        LIST(MIRTEX_LAYOUT_MEMBER)                                                          \
        static constexpr const char* kLabels[] = {LIST(MIRTEX_LAYOUT_LABEL)};               \
        static constexpr int kSlots = static_cast<int>(std::size(kLabels));                 \
    };                                                                                      \
    static_assert(sizeof(Type) == sizeof(Slot) * Type::kSlots && std::is_standard_layout_v<Type> && \
                  std::is_trivially_copyable_v<Type>)

// The position of a member in its layout's vector, for the tables that
// name a slot of several kinds at once.
#define MIRTEX_SLOT(Type, member) static_cast<int>(offsetof(Type, member) / sizeof(Type::slot_type))
// One named slot read alone, for a reader that needs only a few slots of a
// vector (a frequency model its lumped values): it neither copies nor
// reaches the slots it does not use.
#define MIRTEX_AT(slots, Type, member) ((slots)[MIRTEX_SLOT(Type, member)])

namespace mirtex::params {

// The named head of a vector, read from or written to its slots.  A layout
// is a trivially copyable run of slots of one type without padding
// (asserted above), so its bytes are the vector's bytes; its members start
// at 0 so that a slot a builder forgets is 0, never stale memory.
template <class T>
T read_layout(const typename T::slot_type* slots) {
    T t;
    std::memcpy(static_cast<void*>(&t), slots, sizeof t);
    return t;
}

template <class T>
void write_layout(const T& t, typename T::slot_type* slots) {
    std::memcpy(slots, &t, sizeof t);
}

}  // namespace mirtex::params
