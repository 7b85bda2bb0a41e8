#include "app/descriptor.hpp"

int main(int argc, char** argv) {
  vexa_ui::launch::run_or_exit(app::make_descriptor(), argc, argv);
}
