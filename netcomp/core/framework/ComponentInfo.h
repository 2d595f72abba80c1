#pragma once
// What a component's tables say about it, without the engine's type: for code
// that holds only a handle and walks every component of the export list (the
// contract tests and the hostile run of the flat interface).

enum class ValueType { Int, Bool, Text, Binary };

struct PropertyInfo {
    int number;
    ValueType type;
    bool readable;
    bool writable;
    bool indexed;
    unsigned flags; // PropertyFlags
};

struct MethodInfo {
    int number;
    int argCount;
    bool anyTime;
};

struct ComponentInfo {
    int busyCode; // the code an action or a Set gets while another action runs
    const PropertyInfo* properties;
    int propertyCount;
    const MethodInfo* methods;
    int methodCount;

    const PropertyInfo* Property(int number) const
    {
        for (int i = 0; i < propertyCount; ++i) {
            if (properties[i].number == number)
                return &properties[i];
        }
        return nullptr;
    }
    const MethodInfo* Method(int number) const
    {
        for (int i = 0; i < methodCount; ++i) {
            if (methods[i].number == number)
                return &methods[i];
        }
        return nullptr;
    }
};
