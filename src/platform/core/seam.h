// TSeam<Service>: where a replaceable service is found. The product's own implementation
// serves unless a test has put a replacement in its place; tests do that only through
// their scoped replacement, which puts the previous one back.
#pragma once

#include <utility>

namespace galimo {

template <class Service>
class TSeam {
public:
    // The service in force.
    static Service& Current() { return replacement ? *replacement : System(); }
    // Puts a replacement in force (nullptr: the product's own); returns the previous one.
    static Service* Replace(Service* service) { return std::exchange(replacement, service); }

private:
    // The product's own, defined beside its implementation and declared after its interface.
    static Service& System();

    static inline Service* replacement = nullptr;
};

}  // namespace galimo
