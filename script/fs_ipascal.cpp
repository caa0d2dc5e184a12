#include "script/fs_ipascal.h"

#include "script/fs_itools.h"

namespace
{

// Attribute values use numeric references for the characters XML reserves:
// &#34; is the double quote, &#60; "<", &#62; ">" and &#38; "&".
const char *const Grammar = R"grammar(<?xml version="1.0"?>
<language text="PascalScript">
  <parser>
    <commentline1 text="//"/>
    <commentblock1 text="{,}"/>
    <commentblock2 text="(*,*)"/>
    <stringquotes text="'"/>
    <hexsequence text="$"/>
    <keywords>
      <and/> <array/> <begin/> <break/> <case/> <const/> <continue/> <div/> <do/> <downto/>
      <else/> <end/> <except/> <exit/> <finally/> <for/> <function/> <goto/> <if/> <in/>
      <is/> <label/> <mod/> <not/> <of/> <or/> <procedure/> <program/> <repeat/> <shl/>
      <shr/> <then/> <to/> <try/> <until/> <uses/> <var/> <while/> <with/> <xor/>
    </keywords>
    <errors>
      <err1 text="Identifier expected"/>
      <err2 text="Expression expected"/>
      <err3 text="Statement expected"/>
      <err4 text="':' expected"/>
      <err5 text="';' expected"/>
      <err6 text="'.' expected"/>
      <err7 text="')' expected"/>
      <err8 text="']' expected"/>
      <err9 text="'=' expected"/>
      <err10 text="'BEGIN' expected"/>
      <err11 text="'END' expected"/>
      <err12 text="'OF' expected"/>
      <err13 text="'THEN' expected"/>
      <err14 text="'UNTIL' expected"/>
      <err15 text="'TO' or 'DOWNTO' expected"/>
      <err16 text="'DO' expected"/>
      <err17 text="'FINALLY' or 'EXCEPT' expected"/>
      <err18 text="'[' expected"/>
      <err19 text="'..' expected"/>
      <err20 text="'&#62;' expected"/>
    </errors>
  </parser>
  <types/>

  <empty/>

  <program>
    <optional>
      <keyword text="program"/>
      <ident err="err1"/>
      <char text=";" err="err5"/>
    </optional>
    <optional><usesclause/></optional>
    <block/>
    <char text="." err="err6"/>
  </program>

  <usesclause node="uses">
    <keyword text="uses"/>
    <loop text=","><string add="file" err="err1"/></loop>
    <char text=";" err="err5"/>
  </usesclause>

  <block>
    <optionalloop><declsection/></optionalloop>
    <compoundstmt err="err10"/>
  </block>

  <declsection>
    <switch>
      <constsection/>
      <varsection/>
      <proceduredeclsection/>
    </switch>
  </declsection>

  <constsection>
    <keyword text="const"/>
    <loop><constantdecl/></loop>
  </constsection>

  <constantdecl node="const">
    <ident add="ident" err="err1" term="1"/>
    <char text="=" err="err9"/>
    <expression err="err2"/>
    <char text=";" err="err5"/>
  </constantdecl>

  <varsection>
    <keyword text="var"/>
    <loop>
      <varlist/>
      <char text=";" err="err5"/>
    </loop>
  </varsection>

  <varlist node="var">
    <loop text=","><ident add="ident" err="err1" term="1"/></loop>
    <char text=":" err="err4"/>
    <typeident err="err1"/>
    <optional><initvalue/></optional>
  </varlist>

  <typeident>
    <optional><array/></optional>
    <ident add="type"/>
  </typeident>

  <array node="array">
    <keyword text="array"/>
    <optional>
      <char text="["/>
      <loop text=","><arraydim err="err2"/></loop>
      <char text="]" err="err8"/>
    </optional>
    <keyword text="of" err="err12"/>
  </array>

  <arraydim node="dim">
    <switch>
      <sequence>
        <expression/>
        <char text="."/>
        <char text="." skip="0"/>
        <expression/>
      </sequence>
      <expression/>
    </switch>
  </arraydim>

  <initvalue node="init">
    <char text="="/>
    <expression err="err2"/>
  </initvalue>

  <expression node="expr">
    <simpleexpression/>
    <optionalloop><relop/><simpleexpression/></optionalloop>
  </expression>

  <simpleexpression>
    <optional><char text="-" add="op" addtext="unminus"/></optional>
    <term/>
    <optionalloop><addop/><term/></optionalloop>
  </simpleexpression>

  <term>
    <factor/>
    <optionalloop><mulop/><factor/></optionalloop>
  </term>

  <factor>
    <switch>
      <designator/>
      <number add="number"/>
      <string add="string"/>
      <sequence>
        <char text="(" add="op"/>
        <expression err="err2"/>
        <char text=")" add="op" err="err7"/>
      </sequence>
      <sequence>
        <keyword text="not" add="op" addtext="not"/>
        <factor err="err2"/>
      </sequence>
      <sequence>
        <char text="["/>
        <setconstructor err="err2"/>
        <char text="]" err="err8"/>
      </sequence>
      <sequence>
        <char text="&#60;"/>
        <frstring/>
        <char text="&#62;" err="err20"/>
      </sequence>
    </switch>
  </factor>

  <setconstructor node="set">
    <loop text=","><setnode/></loop>
  </setconstructor>

  <setnode>
    <expression/>
    <optional>
      <char text="." add="range"/>
      <char text="." err="err6"/>
      <expression/>
    </optional>
  </setnode>

  <relop>
    <switch>
      <sequence><char text="&#62;"/><char text="=" add="op" addtext="&#62;=" skip="0"/></sequence>
      <sequence><char text="&#60;"/><char text="&#62;" add="op" addtext="&#60;&#62;" skip="0"/></sequence>
      <sequence><char text="&#60;"/><char text="=" add="op" addtext="&#60;=" skip="0"/></sequence>
      <char text="&#62;" add="op" addtext="&#62;"/>
      <char text="&#60;" add="op" addtext="&#60;"/>
      <char text="=" add="op" addtext="="/>
      <keyword text="in" add="op" addtext="in"/>
      <keyword text="is" add="op" addtext="is"/>
    </switch>
  </relop>

  <addop>
    <switch>
      <char text="+" add="op"/>
      <char text="-" add="op"/>
      <keyword text="or" add="op" addtext="or"/>
      <keyword text="xor" add="op" addtext="xor"/>
    </switch>
  </addop>

  <mulop>
    <switch>
      <char text="*" add="op"/>
      <char text="/" add="op"/>
      <keyword text="div" add="op" addtext="div"/>
      <keyword text="mod" add="op" addtext="mod"/>
      <keyword text="and" add="op" addtext="and"/>
      <keyword text="shl" add="op" addtext="shl"/>
      <keyword text="shr" add="op" addtext="shr"/>
    </switch>
  </mulop>

  <designator node="dsgn">
    <optional><char text="@" add="addr"/></optional>
    <ident add="node"/>
    <optionalloop>
      <switch>
        <sequence>
          <char text="."/>
          <keyword add="node" err="err1"/>
        </sequence>
        <sequence>
          <char text="[" add="node"/>
          <exprlist err="err2"/>
          <char text="]" err="err8"/>
        </sequence>
        <sequence>
          <char text="("/>
          <exprlist err="err2"/>
          <char text=")" err="err7"/>
        </sequence>
      </switch>
    </optionalloop>
  </designator>

  <exprlist>
    <optionalloop text=","><expression/></optionalloop>
  </exprlist>

  <statement>
    <optionalswitch>
      <simplestatement/>
      <structstmt/>
    </optionalswitch>
  </statement>

  <stmtlist>
    <loop text=";"><statement/></loop>
  </stmtlist>

  <simplestatement>
    <switch>
      <assignstmt/>
      <callstmt/>
      <switch>
        <keyword text="break" node="break"/>
        <keyword text="continue" node="continue"/>
        <keyword text="exit" node="exit"/>
      </switch>
    </switch>
  </simplestatement>

  <assignstmt node="assignstmt">
    <designator/>
    <char text=":"/>
    <char text="=" err="err9" skip="0"/>
    <expression err="err2"/>
  </assignstmt>

  <callstmt node="callstmt">
    <designator/>
  </callstmt>

  <structstmt>
    <switch>
      <compoundstmt/>
      <conditionalstmt/>
      <loopstmt/>
      <trystmt/>
      <withstmt/>
    </switch>
  </structstmt>

  <compoundstmt node="compoundstmt">
    <keyword text="begin"/>
    <stmtlist/>
    <keyword text="end" err="err5"/>
  </compoundstmt>

  <conditionalstmt>
    <switch><ifstmt/><casestmt/></switch>
  </conditionalstmt>

  <ifstmt node="ifstmt">
    <keyword text="if"/>
    <expression err="err2"/>
    <keyword text="then" err="err13"/>
    <statement node="thenstmt"/>
    <optional>
      <keyword text="else"/>
      <statement node="elsestmt"/>
    </optional>
  </ifstmt>

  <casestmt node="casestmt">
    <keyword text="case"/>
    <expression err="err2"/>
    <keyword text="of" err="err12"/>
    <loop text=";" skip="1"><caseselector/></loop>
    <optional>
      <keyword text="else"/>
      <statement/>
    </optional>
    <optional><char text=";"/></optional>
    <keyword text="end" err="err11"/>
  </casestmt>

  <caseselector node="caseselector">
    <setconstructor err="err2"/>
    <char text=":" err="err4"/>
    <statement/>
  </caseselector>

  <loopstmt>
    <switch><repeatstmt/><whilestmt/><forstmt/></switch>
  </loopstmt>

  <repeatstmt node="repeatstmt">
    <keyword text="repeat"/>
    <stmtlist/>
    <keyword text="until" err="err14"/>
    <expression err="err2"/>
  </repeatstmt>

  <whilestmt node="whilestmt">
    <keyword text="while"/>
    <expression err="err2"/>
    <keyword text="do" err="err16"/>
    <statement/>
  </whilestmt>

  <forstmt node="forstmt">
    <keyword text="for"/>
    <ident add="ident" err="err1"/>
    <char text=":" err="err4"/>
    <char text="=" err="err9" skip="0"/>
    <expression err="err2"/>
    <switch err="err15">
      <keyword text="to"/>
      <keyword text="downto" add="downto"/>
    </switch>
    <expression err="err2"/>
    <keyword text="do" err="err16"/>
    <statement/>
  </forstmt>

  <trystmt node="trystmt">
    <keyword text="try"/>
    <stmtlist/>
    <switch err="err17">
      <sequence>
        <keyword text="finally"/>
        <stmtlist node="finallystmt"/>
      </sequence>
      <sequence>
        <keyword text="except"/>
        <stmtlist node="exceptstmt"/>
      </sequence>
    </switch>
    <keyword text="end" err="err11"/>
  </trystmt>

  <withstmt node="with">
    <keyword text="with"/>
    <loop text=","><designator err="err2"/></loop>
    <keyword text="do" err="err16"/>
    <statement/>
  </withstmt>

  <proceduredeclsection>
    <switch><proceduredecl/><functiondecl/></switch>
  </proceduredeclsection>

  <proceduredecl node="procedure">
    <procedureheading/>
    <char text=";" err="err5"/>
    <block/>
    <char text=";" err="err5"/>
  </proceduredecl>

  <procedureheading>
    <keyword text="procedure"/>
    <ident add="name" err="err1"/>
    <optional><formalparameters/></optional>
  </procedureheading>

  <functiondecl node="function">
    <functionheading/>
    <char text=";" err="err5"/>
    <block/>
    <char text=";" err="err5"/>
  </functiondecl>

  <functionheading>
    <keyword text="function"/>
    <ident add="name" err="err1"/>
    <optional><formalparameters/></optional>
    <char text=":" err="err4"/>
    <ident add="type" err="err1"/>
  </functionheading>

  <formalparameters node="parameters">
    <char text="("/>
    <loop text=";"><formalparam/></loop>
    <char text=")" err="err7"/>
  </formalparameters>

  <formalparam>
    <optionalswitch>
      <keyword text="var" node="varparams"/>
      <keyword text="const"/>
    </optionalswitch>
    <varlist/>
  </formalparam>
</language>
)grammar";

} // namespace

const AnsiString &fsPascalGrammar()
{
    static const AnsiString text(Grammar);
    return text;
}

namespace
{

void ReplaceOnce(AnsiString &Text, const AnsiString &From, const AnsiString &To)
{
    const int at = Text.Pos(From);
    if (at == 0) return;
    Text.Delete(at, From.Length());
    Text.Insert(To, at);
}

} // namespace

void fsModifyPascalForLegacy()
{
    AnsiString grammar = fsPascalGrammar();
    ReplaceOnce(grammar, R"xml(      <sequence>
        <char text="["/>
        <setconstructor err="err2"/>
        <char text="]" err="err8"/>
      </sequence>
)xml",
                R"xml(      <sequence>
        <char text="`"/>
        <setconstructor err="err2"/>
        <char text="`"/>
      </sequence>
      <sequence>
        <char text="["/>
        <frstring/>
        <char text="]" err="err8"/>
      </sequence>
)xml");
    ReplaceOnce(grammar, "<commentline1 ", "<declarevars text=\"0\"/>\n    <commentline1 ");
    fsRegisterLanguage("PascalScript", grammar);
}
