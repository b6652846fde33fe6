#ifndef BENCHCHANGES_H
#define BENCHCHANGES_H

#include "benchsession.h"

#include <functional>

namespace benchmark {
class State;
}

// The interactions that change the database or put the card out: save,
// updates, delete, print and preview. Each times the button click and undoes
// its change untimed, so that every iteration starts from the same rows.
namespace interactions {

using Body = std::function<void(benchmark::State&)>;

Body save(const session::Context& c);
Body employeeUpdate(const session::Context& c);
Body companyUpdate(const session::Context& c);
Body employeeDelete(const session::Context& c);
Body print(const session::Context& c);
Body preview(const session::Context& c);

} // namespace interactions

#endif // BENCHCHANGES_H
