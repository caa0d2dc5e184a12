#include "script/fs_iexpression.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_idesignators.h"
#include "script/fs_ihelpers.h"
#include "script/fs_itools.h"

#include <climits>
#include <cmath>
#include <typeinfo>

namespace
{

Variant ValueOf(TfsExpressionNode *Node)
{
    return Node ? Node->GetValue() : fsNull();
}

// An integer result that fits 32 bits stays an Integer; a larger one becomes Int64.
Variant IntResult(long long Value)
{
    if (Value >= INT_MIN && Value <= INT_MAX) return Variant(static_cast<int>(Value));
    return Variant(Value);
}

template <class T> std::unique_ptr<TfsOperatorNode> Make()
{
    return std::make_unique<T>();
}

struct TOperatorName {
    const char *Token;
    std::unique_ptr<TfsOperatorNode> (*Create)();
};

const TOperatorName Operators[] = {
    {" ", Make<TNoneNode>},    {">", Make<TGreatNode>},         {"<", Make<TLessNode>},
    {"<=", Make<TLessEqNode>}, {">=", Make<TGreatEqNode>},      {"<>", Make<TNonEqNode>},
    {"=", Make<TEqNode>},      {"+", Make<TPlusNode>},          {"STRCAT", Make<TStrCatNode>},
    {"-", Make<TMinusNode>},   {"OR", Make<TOrNode>},           {"XOR", Make<TXorNode>},
    {"*", Make<TMulNode>},     {"/", Make<TDivFloatNode>},      {"DIV", Make<TDivIntNode>},
    {"MOD", Make<TModNode>},   {"AND", Make<TAndNode>},         {"SHL", Make<TShlNode>},
    {"SHR", Make<TShrNode>},   {"(", Make<TLeftBracketNode>},   {")", Make<TRightBracketNode>},
    {"NOT", Make<TNotNode>},   {"UNMINUS", Make<TUnMinusNode>}, {"IN", Make<TInNode>},
    {"IS", Make<TIsNode>},
};

std::unique_ptr<TfsOperatorNode> NewOperator(const AnsiString &Token)
{
    AnsiString Upper = Token.UpperCase();
    for (const TOperatorName &Name : Operators)
        if (Upper == Name.Token) return Name.Create();
    return nullptr;
}

bool IsComparison(TfsOperatorType Op)
{
    return Op >= opGreat && Op <= opEq;
}

TfsVarType TypeOfValue(const Variant &Value)
{
    switch (VarType(Value)) {
    case varBoolean:
        return fvtBool;
    case varSingle:
    case varDouble:
    case varCurrency:
        return fvtFloat;
    case varString:
    case varOleStr:
        return fvtString;
    default:
        return fvtInt;
    }
}

bool IsBinaryValid(TfsOperatorType Op, TfsVarType L, TfsVarType R, const AnsiString &LName,
                   const AnsiString &RName, TfsScript *Script)
{
    if (Op == opIs && L == fvtClass && R == fvtClass) return true;
    if (!TypesCompatible(TfsTypeRec{L, LName}, TfsTypeRec{R, RName}, Script)) return false;
    switch (L) {
    case fvtBool:
        return Op == opNonEq || Op == opEq || Op == opOr || Op == opXor || Op == opAnd ||
               Op == opNot;
    case fvtChar:
    case fvtString:
        return Op == opNone || IsComparison(Op) || Op == opPlus || Op == opIn;
    case fvtClass:
    case fvtArray:
        return Op == opNonEq || Op == opEq;
    default:
        return true;
    }
}

} // namespace

// ---------------------------------------------------------------- nodes

TfsExpressionNode::~TfsExpressionNode()
{
    // A long chain such as 1 + 1 + ... + 1 is a deep tree: free it without recursion.
    std::vector<std::unique_ptr<TfsExpressionNode>> Pending;
    auto Take = [&Pending](TfsExpressionNode &Node) {
        if (Node.Left) Pending.push_back(std::move(Node.Left));
        if (Node.Right) Pending.push_back(std::move(Node.Right));
    };
    Take(*this);
    while (!Pending.empty()) {
        std::unique_ptr<TfsExpressionNode> Node = std::move(Pending.back());
        Pending.pop_back();
        Take(*Node);
    }
}

void TfsExpressionNode::AddNode(std::unique_ptr<TfsExpressionNode> Node)
{
    TfsExpressionNode *Raw = Node.get();
    if (!Left)
        Left = std::move(Node);
    else if (!Right)
        Right = std::move(Node);
    else
        throw Exception("Invalid expression");
    Raw->Parent = this;
}

std::unique_ptr<TfsExpressionNode> TfsExpressionNode::RemoveNode(TfsExpressionNode *Node)
{
    if (Left.get() == Node) return std::move(Left);
    if (Right.get() == Node) return std::move(Right);
    return nullptr;
}

TfsOperandNode::TfsOperandNode(const Variant &AValue)
{
    FValue = AValue;
    SetTyp(TypeOfValue(AValue));
}

TfsDesignatorNode::TfsDesignatorNode(std::unique_ptr<TfsDesignator> ADesignator)
    : FDesignator(std::move(ADesignator)), FVar(FDesignator.get())
{
    if (dynamic_cast<TfsVariableDesignator *>(FDesignator.get())) FVar = FDesignator->Ref;
    SetTyp(FDesignator->Typ());
    SetTypeName(FDesignator->TypeName());
}

TfsDesignatorNode::~TfsDesignatorNode() = default;

Variant TfsDesignatorNode::GetValue()
{
    return FVar->GetValue();
}

void TfsSetExpression::AddItem(std::unique_ptr<TfsCustomVariable> Item)
{
    // A null entry still takes its place in the list.
    Add(std::move(Item));
}

TfsCustomVariable *TfsSetExpression::Item(int Index) const
{
    return static_cast<TfsCustomVariable *>(Items(Index));
}

bool TfsSetExpression::Check(const Variant &Value)
{
    for (int I = 0; I < Count(); ++I) {
        if (I + 2 < Count() && !Item(I + 1)) {
            bool Match = fsVarToBool(fsOperate(opLessEq, Item(I)->GetValue(), Value)) &&
                         fsVarToBool(fsOperate(opLessEq, Value, Item(I + 2)->GetValue()));
            if (Match) return true;
            I += 2;
        } else if (Item(I) && fsVarToBool(fsOperate(opEq, Value, Item(I)->GetValue()))) {
            return true;
        }
    }
    return false;
}

Variant TfsSetExpression::GetValue()
{
    Variant Result = fsArrayOf(Count());
    for (int I = 0; I < Count(); ++I)
        Result.PutElement({I}, Item(I) ? Item(I)->GetValue() : fsNull());
    return Result;
}

TfsSetNode::TfsSetNode(std::unique_ptr<TfsSetExpression> ASet) : FSet(std::move(ASet))
{
    SetTyp(fvtVariant);
}

int TfsOperatorNode::Priority() const
{
    switch (Op) {
    case opNot:
    case opUnMinus:
        return 1;
    case opMul:
    case opDivFloat:
    case opDivInt:
    case opMod:
    case opAnd:
    case opShl:
    case opShr:
        return 2;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor:
        return 3;
    case opRightBracket:
        return 5;
    case opLeftBracket:
        return 6;
    case opNone:
        return 7;
    default:
        return 4;
    }
}

namespace
{

const Variant *DirectValue(TfsExpressionNode *Node)
{
    if (!Node) return nullptr;
    if (typeid(*Node) == typeid(TfsOperandNode)) return Node->PValue();
    if (typeid(*Node) != typeid(TfsDesignatorNode)) return nullptr;
    TfsCustomVariable *Var = static_cast<TfsDesignatorNode *>(Node)->Var();
    // A String variable keeps nothing but a text, so it reads as it is kept too.
    const std::type_info &Type = typeid(*Var);
    bool Plain = Type == typeid(TfsVariable) || Type == typeid(TfsParamItem) ||
                 Type == typeid(TfsStringVariable);
    return Plain ? Var->PValue() : nullptr;
}

// Integer results that leave 64 bits are given as floats rather than wrapped.
Variant IntSum(long long L, long long R)
{
    long long Result = 0;
    if (__builtin_add_overflow(L, R, &Result))
        return Variant(static_cast<double>(L) + static_cast<double>(R));
    return IntResult(Result);
}

Variant IntDifference(long long L, long long R)
{
    long long Result = 0;
    if (__builtin_sub_overflow(L, R, &Result))
        return Variant(static_cast<double>(L) - static_cast<double>(R));
    return IntResult(Result);
}

Variant IntProduct(long long L, long long R)
{
    long long Result = 0;
    if (__builtin_mul_overflow(L, R, &Result))
        return Variant(static_cast<double>(L) * static_cast<double>(R));
    return IntResult(Result);
}

void CheckDivisor(long long R)
{
    if (R == 0) throw EDivByZero("Division by zero");
}

Variant IntQuotient(long long L, long long R)
{
    CheckDivisor(R);
    // Dividing the smallest value by -1 leaves 64 bits.
    return R == -1 ? IntDifference(0, L) : IntResult(L / R);
}

Variant IntRemainder(long long L, long long R)
{
    CheckDivisor(R);
    return IntResult(R == -1 ? 0 : L % R);
}

bool ShortCircuit(const Variant &L, bool DecidingValue)
{
    return fsVarToBool(L) == DecidingValue;
}

} // namespace

void TfsOperatorNode::Prepare()
{
    FLeftDirect = DirectValue(Left.get());
    FRightDirect = DirectValue(Right.get());
    FComparesDirect = IsComparison(Op) && FLeftDirect && FRightDirect;
}

bool TfsOperatorNode::IsTrue()
{
    if (FComparesDirect && FLeftDirect->Type() == varInteger &&
        FRightDirect->Type() == varInteger) {
        long long L = FLeftDirect->RawInteger();
        long long R = FRightDirect->RawInteger();
        switch (Op) {
        case opGreat:
            return L > R;
        case opLess:
            return L < R;
        case opLessEq:
            return L <= R;
        case opGreatEq:
            return L >= R;
        case opNonEq:
            return L != R;
        default:
            return L == R;
        }
    }
    return fsVarToBool(GetValue());
}

Variant TfsOperatorNode::GetValue()
{
    fsCheckStack();
    return Evaluate();
}

Variant TfsOperatorNode::Evaluate()
{
    return LeftValue();
}

Variant TfsOperatorNode::LeftValue() const
{
    return ValueOf(Left.get());
}

Variant TfsOperatorNode::RightValue() const
{
    return ValueOf(Right.get());
}

long long TfsOperatorNode::LeftInt() const
{
    return FLeftDirect ? FLeftDirect->AsInt64() : fsVarToInt64(LeftValue());
}

long long TfsOperatorNode::RightInt() const
{
    return FRightDirect ? FRightDirect->AsInt64() : fsVarToInt64(RightValue());
}

Variant TGreatNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(L > R); });
}

Variant TLessNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(L < R); });
}

Variant TLessEqNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(L <= R); });
}

Variant TGreatEqNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(L >= R); });
}

Variant TNonEqNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(!(L == R)); });
}

Variant TEqNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return Variant(L == R); });
}

Variant TPlusNode::Evaluate()
{
    return Binary(IntSum,
                  [](auto &&L, const Variant &R) { return std::forward<decltype(L)>(L) + R; });
}

Variant TStrCatNode::Evaluate()
{
    return Binary([](auto &&L, const Variant &R) {
        if (VarType(L) != varString || VarType(R) == varString)
            return std::forward<decltype(L)>(L) + R;
        return Variant(rtl::SharedText::Join(L.RawSharedText(), fsVarToStr(R).Shared()));
    });
}

Variant TMinusNode::Evaluate()
{
    return Binary(IntDifference, [](const Variant &L, const Variant &R) { return L - R; });
}

Variant TOrNode::Evaluate()
{
    Variant L = LeftValue();
    if (BothBool) return ShortCircuit(L, true) ? L : RightValue();
    return L | RightValue();
}

Variant TXorNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return L ^ R; });
}

Variant TMulNode::Evaluate()
{
    return Binary(IntProduct, [](const Variant &L, const Variant &R) { return L * R; });
}

Variant TDivFloatNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return L / R; });
}

Variant TDivIntNode::Evaluate()
{
    return Binary(IntQuotient, [](const Variant &L, const Variant &R) { return VarIntDiv(L, R); });
}

Variant TModNode::Evaluate()
{
    return Binary(IntRemainder, [](const Variant &L, const Variant &R) { return L % R; });
}

Variant TAndNode::Evaluate()
{
    Variant L = LeftValue();
    if (BothBool) return ShortCircuit(L, false) ? L : RightValue();
    return L & RightValue();
}

Variant TShlNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return L << R; });
}

Variant TShrNode::Evaluate()
{
    return Binary([](const Variant &L, const Variant &R) { return L >> R; });
}

Variant TNotNode::Evaluate()
{
    return ~LeftValue();
}

Variant TUnMinusNode::Evaluate()
{
    return -LeftValue();
}

bool TInNode::InArray(const Variant &L, const Variant &R) const
{
    if (!VarIsArray(R)) throw Exception("Variant is not an array");
    int Low = VarArrayLowBound(R, 1);
    int High = VarArrayHighBound(R, 1);
    for (int I = Low; I <= High; ++I) {
        Variant Element = R.GetElement({I});
        if (I + 2 <= High && VarIsNull(R.GetElement({I + 1}))) {
            if (fsVarToBool(fsOperate(opLessEq, Element, L)) &&
                fsVarToBool(fsOperate(opLessEq, L, R.GetElement({I + 2}))))
                return true;
            I += 2;
        } else if (fsVarToBool(fsOperate(opEq, L, Element))) {
            return true;
        }
    }
    return false;
}

Variant TInNode::Evaluate()
{
    if (auto *Set = dynamic_cast<TfsSetNode *>(Right.get()))
        return Variant(Set->SetExpression()->Check(LeftValue()));
    return Binary([this](const Variant &L, const Variant &R) { return Variant(InArray(L, R)); });
}

Variant TIsNode::Evaluate()
{
    Variant L = LeftValue();
    // Anything but a live object is simply not of the class.
    if (!fsIsObject(L)) return Variant(false);
    TObject *Obj = fsVariantToObject(L);
    auto *Node = dynamic_cast<TfsDesignatorNode *>(Right.get());
    if (!Obj || !Node || Node->Designator()->Count() == 0) return Variant(false);
    auto *Class = dynamic_cast<TfsClassVariable *>(Node->Designator()->Step(0)->Ref);
    return Variant(Class && Obj->InheritsFrom(Class->ClassRef()));
}

// ---------------------------------------------------------------- expression

TfsExpression::TfsExpression(TfsScript *AScript)
    : FScript(AScript), FRoot(std::make_unique<TNoneNode>()), FCurNode(FRoot.get())
{
}

TfsExpression::~TfsExpression() = default;

void TfsExpression::AddOperand(std::unique_ptr<TfsExpressionNode> Node)
{
    Node->ExprPos = ExprPos;
    TfsExpressionNode *Raw = Node.get();
    FCurNode->AddNode(std::move(Node));
    FCurNode = Raw;
}

void TfsExpression::AddConst(const Variant &AValue)
{
    AddOperand(std::make_unique<TfsOperandNode>(AValue));
}

void TfsExpression::AddDesignator(std::unique_ptr<TfsDesignator> ADesignator)
{
    AddOperand(std::make_unique<TfsDesignatorNode>(std::move(ADesignator)));
}

void TfsExpression::AddSet(std::unique_ptr<TfsSetExpression> ASet)
{
    AddOperand(std::make_unique<TfsSetNode>(std::move(ASet)));
}

void TfsExpression::AddOperator(const AnsiString &Token)
{
    std::unique_ptr<TfsOperatorNode> Node = NewOperator(Token);
    if (!Node) return;
    Node->ExprPos = ExprPos;
    AnsiString Lower = Token.LowerCase();
    if (Lower == "(" || Lower == "unminus" || Lower == "not") {
        AddOperand(std::move(Node));
        return;
    }
    if (Node->Op == opRightBracket) {
        TfsExpressionNode *B = FCurNode;
        while (B && B->Priority() <= 5)
            B = B->Parent;
        if (!B || !B->Parent || !B->Left) throw Exception("Invalid expression");
        TfsExpressionNode *P = B->Parent;
        std::unique_ptr<TfsExpressionNode> Bracket = P->RemoveNode(B);
        std::unique_ptr<TfsExpressionNode> Inner = std::move(Bracket->Left);
        FCurNode = Inner.get();
        P->AddNode(std::move(Inner));
        return;
    }
    TfsOperatorNode *N = Node.get();
    if (FCurNode == FRoot.get()) {
        FRoot->AddNode(std::move(Node));
        FCurNode = N;
        return;
    }
    TfsExpressionNode *C = FCurNode;
    TfsExpressionNode *P = C->Parent;
    if (FCurNode->Priority() == 6) {
        C = nullptr;
        P = FCurNode;
    }
    while (P && P->Priority() <= N->Priority()) {
        C = P;
        P = P->Parent;
    }
    if (!P) throw Exception("Invalid expression");
    std::unique_ptr<TfsExpressionNode> Child = C ? P->RemoveNode(C) : nullptr;
    P->AddNode(std::move(Node));
    if (Child) N->AddNode(std::move(Child));
    FCurNode = N;
}

void TfsExpression::TypeOf(TfsExpressionNode *Node, AnsiString &ErrorPos)
{
    fsCheckStack();
    auto *Op = dynamic_cast<TfsOperatorNode *>(Node);
    if (!Op) return;
    TypeOf(Op->Left.get(), ErrorPos);
    TypeOf(Op->Right.get(), ErrorPos);
    TfsVarType L = Op->Left ? Op->Left->Typ() : fvtVariant;
    TfsVarType R = Op->Right ? Op->Right->Typ() : fvtVariant;
    AnsiString LName = Op->Left ? Op->Left->TypeName() : AnsiString();
    AnsiString RName = Op->Right ? Op->Right->TypeName() : AnsiString();
    Op->BothInt = L == fvtInt && R == fvtInt;
    Op->BothBool = L == fvtBool && R == fvtBool;
    Op->Prepare();
    TfsTypeRec Result;
    if (!fsOperatorType(Op->Op, {L, LName}, {R, RName}, FScript, Result) && ErrorPos.IsEmpty())
        ErrorPos = Op->ExprPos;
    Op->SetTyp(Result.Typ);
    Op->SetTypeName(Result.TypeName);
}

bool fsOperatorType(TfsOperatorType Op, const TfsTypeRec &L, const TfsTypeRec &R, TfsScript *Script,
                    TfsTypeRec &Result)
{
    Result = L;
    if ((L.Typ == fvtInt && R.Typ == fvtFloat) || (L.Typ == fvtFloat && R.Typ == fvtInt) ||
        (Op == opDivFloat && L.Typ == fvtInt && R.Typ == fvtInt))
        Result.Typ = fvtFloat;
    if (IsComparison(Op) || Op == opIn || Op == opIs) Result.Typ = fvtBool;
    return IsBinaryValid(Op, L.Typ, R.Typ, L.TypeName, R.TypeName, Script);
}

AnsiString TfsExpression::Finalize()
{
    if (FRoot->Left) {
        FRoot = std::move(FRoot->Left);
        FRoot->Parent = nullptr;
        FCurNode = FRoot.get();
    }
    AnsiString ErrorPos;
    TypeOf(FRoot.get(), ErrorPos);
    SetTyp(FRoot->Typ());
    SetTypeName(FRoot->TypeName());
    auto *Node = dynamic_cast<TfsDesignatorNode *>(FRoot.get());
    IsReadOnly = !(Node && !Node->Designator()->IsReadOnly);
    FRootOperator = dynamic_cast<TfsOperatorNode *>(FRoot.get());
    return ErrorPos;
}

Variant TfsExpression::GetValue()
{
    return FRoot->GetValue();
}

void TfsExpression::SetValue(const Variant &AValue)
{
    if (!IsReadOnly) static_cast<TfsDesignatorNode *>(FRoot.get())->Designator()->SetValue(AValue);
}

const Variant *TfsExpression::DirectValue() const
{
    return ::DirectValue(FRoot.get());
}

TfsCustomVariable *TfsExpression::SingleItem() const
{
    if (auto *Node = dynamic_cast<TfsDesignatorNode *>(FRoot.get())) return Node->Var();
    const TfsExpressionNode &Root = *FRoot;
    if (typeid(Root) == typeid(TfsOperandNode)) return FRoot.get();
    return nullptr;
}

namespace
{

bool NamesVariable(TfsExpressionNode *Node, TfsCustomVariable *Var)
{
    auto *D = dynamic_cast<TfsDesignatorNode *>(Node);
    return D && dynamic_cast<TfsVariableDesignator *>(D->Designator()) &&
           D->Designator()->Ref == Var;
}

const char *OperatorText(TfsOperatorType Op)
{
    switch (Op) {
    case opPlus:
        return "+";
    case opMinus:
        return "-";
    case opMul:
        return "*";
    default:
        return "/";
    }
}

} // namespace

AnsiString TfsExpression::Optimize(TfsDesignator *Designator)
{
    auto *Root = dynamic_cast<TfsOperatorNode *>(FRoot.get());
    // A text join is not an addition: "s & i" must not become "s += i".
    if (!dynamic_cast<TfsVariableDesignator *>(Designator) || !Root ||
        dynamic_cast<TStrCatNode *>(Root))
        return " ";
    TfsOperatorType Op = Root->Op;
    if (Op != opPlus && Op != opMinus && Op != opMul && Op != opDivFloat) return " ";
    TfsCustomVariable *Var = Designator->Ref;
    if (NamesVariable(Root->Left.get(), Var)) {
        std::unique_ptr<TfsExpressionNode> Rest = std::move(Root->Right);
        FRoot = std::move(Rest);
    } else if ((Op == opPlus || Op == opMul) && NamesVariable(Root->Right.get(), Var) &&
               Var->Typ() != fvtString && Var->Typ() != fvtVariant) {
        std::unique_ptr<TfsExpressionNode> Rest = std::move(Root->Left);
        FRoot = std::move(Rest);
    } else {
        return " ";
    }
    if (!FRoot) throw Exception("Invalid expression");
    FRoot->Parent = nullptr;
    FCurNode = FRoot.get();
    FRootOperator = dynamic_cast<TfsOperatorNode *>(FRoot.get());
    return OperatorText(Op);
}

Variant fsOperate(TfsOperatorType Op, const Variant &L, const Variant &R)
{
    switch (Op) {
    case opGreat:
        return Variant(L > R);
    case opLess:
        return Variant(L < R);
    case opLessEq:
        return Variant(L <= R);
    case opGreatEq:
        return Variant(L >= R);
    case opNonEq:
        return Variant(!(L == R));
    case opEq:
        return Variant(L == R);
    case opPlus:
        return L + R;
    case opMinus:
        return L - R;
    case opOr:
        return L | R;
    case opXor:
        return L ^ R;
    case opMul:
        return L * R;
    case opDivFloat:
        return L / R;
    case opDivInt:
        return VarIntDiv(L, R);
    case opMod:
        return L % R;
    case opAnd:
        return L & R;
    case opShl:
        return L << R;
    case opShr:
        return L >> R;
    case opNot:
        return ~L;
    case opUnMinus:
        return -L;
    default:
        return L;
    }
}
