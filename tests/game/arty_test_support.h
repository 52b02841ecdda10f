#pragma once
// Arty descriptions for the arty tests: built from a token writer and kept alive by the holder.

#include <memory>
#include <string>
#include <vector>

#include "data/package.h"
#include "game/arty_factory.h"
#include "tools/token_writer.h"

namespace kv {

class description_holder {
public:
    arty_description* add(const std::string& class_name, const std::string& instance,
                          const tools::token_writer& parameters = tools::token_writer()) {
        auto d = std::make_unique<arty_description>();
        d->class_name = class_name;
        d->instance_name = instance;
        if (parameters.count() > 0) {
            const std::vector<uint8_t> bytes = parameters.bytes();
            d->parameters = std::make_unique<token_list>();
            token_list_init(*d->parameters, bytes.size(), bytes.data());
        }
        items_.push_back(std::move(d));
        return items_.back().get();
    }

    // Spawns one description as a group of its own and returns its arty as T (null when it is not one).
    template <class T>
    T* spawn(arty_factory& factory, const std::string& class_name, const std::string& instance,
             const tools::token_writer& parameters = tools::token_writer()) {
        arty_description* d = add(class_name, instance, parameters);
        arty_factory_spawn_group(factory, &d, 1);
        return arty_factory_find_as<T>(factory, factory.current_id);
    }

private:
    std::vector<std::unique_ptr<arty_description>> items_;
};

}  // namespace kv
