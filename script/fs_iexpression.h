#pragma once

// Expression trees built by operator priority and evaluated over variants.

#include "script/fs_iinterpreter.h"
#include "script/fs_itools.h"

class TfsDesignator;

enum TfsOperatorType {
    opNone,
    opGreat,
    opLess,
    opLessEq,
    opGreatEq,
    opNonEq,
    opEq,
    opPlus,
    opMinus,
    opOr,
    opXor,
    opMul,
    opDivFloat,
    opDivInt,
    opMod,
    opAnd,
    opShl,
    opShr,
    opLeftBracket,
    opRightBracket,
    opNot,
    opUnMinus,
    opIn,
    opIs,
};

class TfsExpressionNode : public TfsCustomVariable
{
public:
    TfsExpressionNode() : TfsCustomVariable("", fvtVariant, "") {}
    ~TfsExpressionNode() override;
    virtual int Priority() const = 0;
    void AddNode(std::unique_ptr<TfsExpressionNode> Node);
    std::unique_ptr<TfsExpressionNode> RemoveNode(TfsExpressionNode *Node);

    std::unique_ptr<TfsExpressionNode> Left;
    std::unique_ptr<TfsExpressionNode> Right;
    TfsExpressionNode *Parent = nullptr;
    AnsiString ExprPos;
};

class TfsOperandNode : public TfsExpressionNode
{
public:
    explicit TfsOperandNode(const Variant &AValue);
    int Priority() const override { return 0; }
    Variant GetValue() override { return FValue; }

protected:
    TfsOperandNode() = default;
};

class TfsDesignatorNode : public TfsOperandNode
{
public:
    explicit TfsDesignatorNode(std::unique_ptr<TfsDesignator> ADesignator);
    ~TfsDesignatorNode() override;
    Variant GetValue() override;
    TfsDesignator *Designator() const { return FDesignator.get(); }
    // The value's source: the plain variable itself, or the designator.
    TfsCustomVariable *Var() const { return FVar; }

private:
    std::unique_ptr<TfsDesignator> FDesignator;
    TfsCustomVariable *FVar;
};

class TfsSetExpression : public TfsCustomVariable
{
public:
    TfsSetExpression() : TfsCustomVariable("", fvtVariant, "") {}
    // A null item marks a range between its neighbours.
    void AddItem(std::unique_ptr<TfsCustomVariable> Item);
    bool Check(const Variant &Value);
    Variant GetValue() override;

private:
    TfsCustomVariable *Item(int Index) const;
};

class TfsSetNode : public TfsOperandNode
{
public:
    explicit TfsSetNode(std::unique_ptr<TfsSetExpression> ASet);
    Variant GetValue() override { return FSet->GetValue(); }
    TfsSetExpression *SetExpression() const { return FSet.get(); }

private:
    std::unique_ptr<TfsSetExpression> FSet;
};

// An operator of the tree; each operator is a class of its own with its value rule.
class TfsOperatorNode : public TfsExpressionNode
{
public:
    explicit TfsOperatorNode(TfsOperatorType AOp) : Op(AOp) {}
    int Priority() const override;
    Variant GetValue() final;

    TfsOperatorType Op;
    bool BothInt = false;
    bool BothBool = false;
    // Settles how the operands are read, once the tree and its types are final.
    void Prepare();
    // The value as a condition: two Integers held in place compare without a Variant.
    bool IsTrue();

protected:
    // The node's value rule; the default passes the left operand on.
    virtual Variant Evaluate();
    Variant LeftValue() const;
    Variant RightValue() const;
    long long LeftInt() const;
    long long RightInt() const;
    // The left operand is read before the right one, whichever rule applies.
    // A constant or plain variable is read where it is kept, uncopied: nothing runs
    // between the two reads then.
    template <class VariantRule> Variant Binary(VariantRule OnVariant) const
    {
        if (FLeftDirect && FRightDirect) return OnVariant(*FLeftDirect, *FRightDirect);
        // The left value is the rule's to take over: a join grows it in place.
        Variant L = LeftValue();
        if (FRightDirect) return OnVariant(std::move(L), *FRightDirect);
        return OnVariant(std::move(L), RightValue());
    }
    // With BothInt the integer rule, else the Variant rule.
    template <class IntRule, class VariantRule>
    Variant Binary(IntRule OnInt, VariantRule OnVariant) const
    {
        if (!BothInt) return Binary(OnVariant);
        long long L = LeftInt();
        return OnInt(L, RightInt());
    }

private:
    // Where a constant or a plain variable keeps the operand's value, read without a call.
    const Variant *FLeftDirect = nullptr;
    const Variant *FRightDirect = nullptr;
    bool FComparesDirect = false;
};

// Fixes the operator of one node class.
template <TfsOperatorType AOp> class TfsOperatorNodeOf : public TfsOperatorNode
{
public:
    TfsOperatorNodeOf() : TfsOperatorNode(AOp) {}
};

class TNoneNode : public TfsOperatorNodeOf<opNone>
{
};

class TGreatNode : public TfsOperatorNodeOf<opGreat>
{
protected:
    Variant Evaluate() override;
};

class TLessNode : public TfsOperatorNodeOf<opLess>
{
protected:
    Variant Evaluate() override;
};

class TLessEqNode : public TfsOperatorNodeOf<opLessEq>
{
protected:
    Variant Evaluate() override;
};

class TGreatEqNode : public TfsOperatorNodeOf<opGreatEq>
{
protected:
    Variant Evaluate() override;
};

class TNonEqNode : public TfsOperatorNodeOf<opNonEq>
{
protected:
    Variant Evaluate() override;
};

class TEqNode : public TfsOperatorNodeOf<opEq>
{
protected:
    Variant Evaluate() override;
};

class TPlusNode : public TfsOperatorNodeOf<opPlus>
{
protected:
    Variant Evaluate() override;
};

// "strcat": a text on the left is joined with the right side's text.
class TStrCatNode : public TfsOperatorNodeOf<opPlus>
{
protected:
    Variant Evaluate() override;
};

class TMinusNode : public TfsOperatorNodeOf<opMinus>
{
protected:
    Variant Evaluate() override;
};

class TOrNode : public TfsOperatorNodeOf<opOr>
{
protected:
    Variant Evaluate() override;
};

class TXorNode : public TfsOperatorNodeOf<opXor>
{
protected:
    Variant Evaluate() override;
};

class TMulNode : public TfsOperatorNodeOf<opMul>
{
protected:
    Variant Evaluate() override;
};

class TDivFloatNode : public TfsOperatorNodeOf<opDivFloat>
{
protected:
    Variant Evaluate() override;
};

class TDivIntNode : public TfsOperatorNodeOf<opDivInt>
{
protected:
    Variant Evaluate() override;
};

class TModNode : public TfsOperatorNodeOf<opMod>
{
protected:
    Variant Evaluate() override;
};

class TAndNode : public TfsOperatorNodeOf<opAnd>
{
protected:
    Variant Evaluate() override;
};

class TShlNode : public TfsOperatorNodeOf<opShl>
{
protected:
    Variant Evaluate() override;
};

class TShrNode : public TfsOperatorNodeOf<opShr>
{
protected:
    Variant Evaluate() override;
};

// The bracket nodes live only while the tree is built: ")" closes the group of
// its "(" and both leave the tree.
class TLeftBracketNode : public TfsOperatorNodeOf<opLeftBracket>
{
};

class TRightBracketNode : public TfsOperatorNodeOf<opRightBracket>
{
};

class TNotNode : public TfsOperatorNodeOf<opNot>
{
protected:
    Variant Evaluate() override;
};

class TUnMinusNode : public TfsOperatorNodeOf<opUnMinus>
{
protected:
    Variant Evaluate() override;
};

class TInNode : public TfsOperatorNodeOf<opIn>
{
protected:
    Variant Evaluate() override;

private:
    bool InArray(const Variant &L, const Variant &R) const;
};

class TIsNode : public TfsOperatorNodeOf<opIs>
{
protected:
    Variant Evaluate() override;
};

class TfsExpression : public TfsCustomExpression
{
public:
    explicit TfsExpression(TfsScript *AScript);
    ~TfsExpression() override;

    void AddConst(const Variant &AValue);
    void AddDesignator(std::unique_ptr<TfsDesignator> ADesignator);
    void AddSet(std::unique_ptr<TfsSetExpression> ASet);
    void AddOperand(std::unique_ptr<TfsExpressionNode> Node);
    void AddOperator(const AnsiString &Token);
    // Settles the tree and checks the operand types; the position of the first invalid
    // node, or empty.
    AnsiString Finalize();
    // Turns "x := x op e" into a compound assignment; " " when nothing changes.
    AnsiString Optimize(TfsDesignator *Designator);

    Variant GetValue() override;
    void SetValue(const Variant &AValue) override;
    // The plain variable, designator or constant node when the tree is just that.
    TfsCustomVariable *SingleItem() const;
    // Where a constant or a plain variable that is the whole tree keeps its value.
    const Variant *DirectValue() const;
    // The value as a condition.
    bool IsTrue() { return FRootOperator ? FRootOperator->IsTrue() : fsVarToBool(GetValue()); }

    AnsiString ExprPos;
    AnsiString Source;
    TfsScript *Script() const { return FScript; }
    TfsExpressionNode *Root() const { return FRoot.get(); }

private:
    void TypeOf(TfsExpressionNode *Node, AnsiString &ErrorPos);

    TfsScript *FScript;
    std::unique_ptr<TfsExpressionNode> FRoot;
    TfsExpressionNode *FCurNode;
    // The root as an operator, for conditions; set when the tree is final.
    TfsOperatorNode *FRootOperator = nullptr;
};

// The type of "L op R" by the rule the tree checks its operators with; false when the
// operator does not take such operands.
bool fsOperatorType(TfsOperatorType Op, const TfsTypeRec &L, const TfsTypeRec &R, TfsScript *Script,
                    TfsTypeRec &Result);

// The Variant operation of a binary or prefix operator, as the tree evaluates it.
Variant fsOperate(TfsOperatorType Op, const Variant &L, const Variant &R);
