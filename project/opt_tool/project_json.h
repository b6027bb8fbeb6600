#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "project/project_file.h"

namespace rangwerk::opt {

// Every field of a project file as JSON, in file order. A combination's result is a JSON
// number when that number gives back the very ten bytes of the file, otherwise a string of
// twenty hex digits holding the ten bytes in file order (byte 0 first).
nlohmann::ordered_json ProjectToJson(const ProjectData& data);

// A JSON document that does not describe a project: the message names the offending key.
class JsonShapeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reverse of ProjectToJson. Refuses missing, unknown and mistyped keys, numbers out of
// their range, and a pair that is missing on page 3 or 4 or present on pages 0 to 2.
ProjectData ProjectFromJson(const nlohmann::json& json);

// The JSON form of a stored result, and its reading back (number or twenty hex digits).
nlohmann::ordered_json ExtendedToJson(const Extended80& value);
Extended80 ExtendedFromJson(const nlohmann::json& json, const std::string& where);

}  // namespace rangwerk::opt
