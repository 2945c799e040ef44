// Checks an OpenAPI document with a validator of the OpenAPI 3 schemas and
// writes it out with every $ref resolved, for the shape checks in Python.
//   node validate.mjs DOCUMENT.json RESOLVED.json
// NODE_PATH-free: run with the folder holding node_modules as --prefix cwd.
import { writeFileSync } from "node:fs";
import { Validator } from "@seriousme/openapi-schema-validator";

const [document, resolved] = process.argv.slice(2);
const validator = new Validator();
const result = await validator.validate(document);
if (!result.valid) {
  console.error(JSON.stringify(result.errors, null, 2));
  process.exit(1);
}
console.log(`valid OpenAPI ${validator.version}`);
if (resolved) writeFileSync(resolved, JSON.stringify(validator.resolveRefs(), (key, value) => value));
