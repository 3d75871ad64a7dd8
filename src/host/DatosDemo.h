#pragma once

namespace corvanta {
class Connection;
}

namespace kd562host {

// Adds a few sample products of a corner shop; rows already there are left alone.
// Returns how many were added.
int AgregaProductosDemo(corvanta::Connection& cnn);

} // namespace kd562host
