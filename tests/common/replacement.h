// The one way a test replaces a service: for the lifetime of a scope.
#pragma once

#include "platform/core/seam.h"

namespace galimo::test {

// Puts `service` in force for Service until the end of the scope, then the previous one.
template <class Service>
class TScopedReplacement {
public:
    explicit TScopedReplacement(Service& service) : previous(TSeam<Service>::Replace(&service)) {}
    ~TScopedReplacement() { TSeam<Service>::Replace(previous); }
    TScopedReplacement(const TScopedReplacement&) = delete;
    TScopedReplacement& operator=(const TScopedReplacement&) = delete;

private:
    Service* previous;
};

}  // namespace galimo::test
