// The warning list: owned texts in append order.
#include <cstdlib>
#include <cstring>

#include "params/params.h"

extern "C" {

MIRTEX_API char TEXT[256] = {0};

MIRTEX_API char* New_Warning(WARN** list, const char* text) {
    if (list == nullptr) return nullptr;
    if (text == nullptr) text = "";
    const std::size_t n = std::strlen(text) + 1;
    auto* node = static_cast<WARN*>(std::malloc(sizeof(WARN)));
    char* copy = static_cast<char*>(std::malloc(n));
    if (node == nullptr || copy == nullptr) {
        std::free(node);
        std::free(copy);
        return nullptr;
    }
    std::memcpy(copy, text, n);
    node->text = copy;
    node->next = nullptr;
    WARN** tail = list;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = node;
    return copy;
}

MIRTEX_API void Delete_Warning(WARN** list) {
    if (list == nullptr) return;
    WARN* node = *list;
    while (node != nullptr) {
        WARN* next = node->next;
        std::free(node->text);
        std::free(node);
        node = next;
    }
    *list = nullptr;
}

}  // extern "C"
