// The Material chunk grammar.
#ifndef MIVKA_MATERIALS_MATERIAL_PARSER_HPP
#define MIVKA_MATERIALS_MATERIAL_PARSER_HPP

namespace MQO {

// The grammar object of the Material chunk, built once per conversion and
// kept until the object stage is done. Its rules are not written yet.
class MaterialParser
{
};

}  // namespace MQO

#endif
